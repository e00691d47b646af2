// SPDX-License-Identifier: MIT
// scene_state.h - the one global record of the program, its palette and its light vectors.
//
// Every callback and drawing routine reads and writes `scene` directly; the toolkit's callbacks
// take no user pointer. Start values are default member initialisers, so `scene = SceneState{}`
// puts the record back to how the process starts. The light vectors and the palette are handed
// to glLightfv/glMaterialfv by address and stay at fixed addresses for the life of the process.
//
// Contents
//   ColourRGBA   four floats: a colour (r, g, b, a) or a light position/direction (x, y, z, w)
//   TextureSet   twelve texture names; entry i comes from "<i>textur.dib"; 0 = no texture
//   SceneState   window, clocks, switches, camera, light vectors, graphics objects
//   scene        the instance
//   wrapClock    takes whole blocks of kClockTurns turns off a clock that has run past them
//   colour*      the constant palette
#pragma once

#include <GL/glu.h>

using ColourRGBA = GLfloat[4];
using TextureSet = GLuint[12];

struct SceneState {
    // Window and projection
    int windowWidth = 800;          // pixels; viewport width
    int windowHeight = 600;         // pixels; viewport height
    float fieldOfView = 30.0f;      // degrees, vertical opening of the perspective
    int timerIntervalMs = 100;      // milliseconds between timer ticks

    // Animation clocks (wrapped by wrapClock right after each step; see below)
    float dayTime = 0.0f;           // radians; sun, sky turn, day/night
    double dayTimeTaken = 0.0;      // radians wrapClock took off dayTime; the sky's turn adds them back
    float sailAngle = 0.0f;         // degrees; sails about their hub
    float sailSpeed = 1.0f;         // degrees per frame, signed
    float beaconSweep = 0.0f;       // radians; beam direction of light 0
    float lampAngle = -90.0f;       // degrees; visible lamp cone, camera mode 2
    int vaneAngle = 0;              // degrees; pennant about its pole
    float orbitAngle = 0.0f;        // radians; camera mode 1
    float wingLift = 0.0f;          // scene units; bird wing-tip offset, about -1.0 to 2.6
    float wingsFalling = 0.0f;      // flag 0.0/1.0: wings moving down
    float headTurn = 0.0f;          // degrees; bird head yaw, about -20.1 to 20.1
    float headTurningBack = 0.0f;   // flag 0.0/1.0: head turning towards negative angles

    // Switches (0 or 1)
    int lightingOn = 1;             // lighting wanted ("l")
    int texturingOn = 1;            // texturing wanted ("t")
    int beaconLit = 1;              // light 0 shines this frame; sweep and lamp turn
    int beaconWanted = 1;           // the user's wish for the beacon at night ("s")
    int vaneFlutter = 1;            // pennant takes random steps (space)
    int autoOrbit = 0;              // camera mode 1 turns by itself (right button)

    // Camera
    int cameraMode = 1;             // 1 orbit, 2 lamp, 3 sails, 4 balloon, 5 follow
    float orbitRadius = -60.0f;     // scene units, signed distance from the tower axis
    float orbitHeight = 10.0f;      // scene units, eye and target height of mode 1
    float dragYaw = 0.0f;           // pixels of horizontal drag; degrees in mode 5
    float dragPitch = 0.0f;         // pixels of vertical drag; distance from the axis in mode 5
    float lastMouseX = 0.0f;        // pixels, pointer at the last press or drag
    float lastMouseY = 0.0f;        // pixels
    float followX = 0.0f;           // scene units, eye of mode 5 on the ground plane; places the bird
    float followZ = 0.0f;           // scene units

    // Light vectors
    ColourRGBA beaconPosition = {0.0f, 13.0f, 0.0f, 1.0f};   // light 0, inside the lantern
    ColourRGBA beaconDirection = {0.0f, 0.0f, -1.0f, 1.0f};  // light 0 spot; x, z set every frame
    ColourRGBA sunPosition = {0.0f, 50.0f, 0.0f, 1.0f};      // light 1 and the sun; x, y, z per frame
    ColourRGBA sunColour = {0.7f, 0.7f, 0.0f, 0.0f};         // light 1 diffuse/specular, sun emission
    ColourRGBA sunAmbient = {0.2f, 0.2f, 0.2f, 0.0f};        // light 1 ambient; never changes

    // Graphics objects, created once at set-up and never released
    GLUquadric* quadric = nullptr;  // filled, smooth normals pointing inwards, texture coordinates
    TextureSet textures = {};       // texture names; 0 = untextured
};

extern SceneState scene;

// A float clock that grows by a fixed step every frame loses its step to rounding as it grows:
// near 2^18 radians the day clock's +0.01 rounds to nothing and the sun stops. So every clock is
// kept within kClockTurns of its turns either side of zero: once it reaches that many, wrapClock
// takes the whole blocks of kClockTurns turns off it. Up to there every step is what it always
// was (the worst, the timer's +0.001 on the day clock, comes out 0.7 % long just below the bound;
// the frame steps within 0.1 %), and at the start speeds the first wrap comes only after some
// ten thousand frames.
// What a clock feeds is periodic in its turn, so a wrap looks like any other step; the sky, which
// turns 10 degrees per radian of the day clock, adds back what was taken (dayTimeTaken).
// Returns the amount taken off, exactly (0 while the clock is within the bound, or not finite).
constexpr int kClockTurns = 64;
constexpr double kRadianTurn = 6.283185307179586;  // dayTime, beaconSweep, orbitAngle
constexpr double kDegreeTurn = 360.0;              // sailAngle, lampAngle
double wrapClock(float* clock, double turn);

// Palette: exactly the values handed to the graphics library.
extern const ColourRGBA colourRed;        // start material; bird body ambient, beak
extern const ColourRGBA colourRose;       // round building, tree trunk
extern const ColourRGBA colourBlue;       // bird wings and eyes
extern const ColourRGBA colourGreen;      // ground, tree crown, bird wing tips, neck, head
extern const ColourRGBA colourGrey;       // tower shaft and collar, bird body
extern const ColourRGBA colourGold;       // balloon basket
extern const ColourRGBA colourMagenta;    // balloon envelope
extern const ColourRGBA colourWhite;      // beacon, lamp glow, sails, square tower, moon
extern const ColourRGBA colourPaleWhite;  // material of the sky
extern const ColourRGBA colourDimGrey;    // beacon ambient, tower trim
extern const ColourRGBA colourBlack;      // no ambient, beacon off, pole, ropes, emission reset

// Texture indices into scene.textures.
enum TextureIndex {
    kTexRoundBuilding = 0,
    kTexGround = 1,
    kTexTowerShaft = 2,
    kTexWood = 3,
    kTexLanternGlass = 4,
    kTexReflector = 5,
    kTexTestPattern = 6,
    kTexSail = 7,
    kTexSky = 8,
    kTexMoon = 9,
    kTexSquareTower = 10,
    kTexBalloon = 11,
};
