// SPDX-License-Identifier: MIT
// scene_pass.cpp - the scene pass: placement of the objects, the beacon sweep, day and night.
//
// The objects restore little of what they change and several rely on what an earlier step left:
// the ground and the round building are textured because the sky switched texturing on, the
// moon ends the sun's glow, and the tree is drawn with the sails' texture still bound.
#include "scene/scene_pass.h"

#include <GL/gl.h>

#include <cmath>

#include "app/scene_state.h"
#include "scene/balloon.h"
#include "scene/bird.h"
#include "scene/landscape.h"
#include "scene/material.h"
#include "scene/mill_tower.h"
#include "scene/sky.h"

namespace {

// Aims the spot and places light 0 at the lantern. Runs after the bird, balloon and square tower,
// so those are lit by light 0 as it was placed in the previous frame.
void sweepBeacon() {
    if (scene.beaconLit) scene.beaconSweep += 0.04f;
    wrapClock(&scene.beaconSweep, kRadianTurn);
    scene.beaconDirection[0] = float(-40 * cos(double(scene.beaconSweep)));
    scene.beaconDirection[2] = float(-40 * sin(double(scene.beaconSweep)));
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, scene.beaconDirection);
    glLightfv(GL_LIGHT0, GL_POSITION, scene.beaconPosition);
}

// Night while the sun is below the ground plane; sin = 0 exactly counts as day.
void applyDayNightRule() {
    if (sin(double(scene.dayTime)) > 0) {
        if (scene.beaconWanted) {
            setBeaconColours(colourDimGrey, colourWhite);
            scene.beaconLit = 1;
            glEnable(GL_LIGHT0);
        } else {
            // Light 0's colours are already black: the "s" key blackened them.
            scene.beaconLit = 0;
            glDisable(GL_LIGHT0);
        }
    } else {
        scene.beaconLit = 0;
        scene.beaconWanted = 1;
        glDisable(GL_LIGHT0);
        setBeaconColours(colourBlack, colourBlack);
    }
}

}  // namespace

void drawScene() {
    glColor3d(0, 1, 1);  // the bird sets no colour: unlit, it shows cyan

    glPushMatrix();
        glTranslated(scene.followX * 1.1, 47, scene.followZ * 1.1);
        glRotated(-scene.dragYaw - 90.0, 0, 1, 0);
        drawBird();
    glPopMatrix();

    glPushMatrix();
        glTranslated(50, 50, 0);
        drawBalloon();
    glPopMatrix();

    glPushMatrix();
        glTranslated(0, 0, 30);
        drawSquareTower();
    glPopMatrix();

    sweepBeacon();
    drawSun();
    drawMoon();
    applyDayNightRule();

    setMaterial(colourPaleWhite);  // the sky's

    glPushMatrix();
        drawSky();  // pops this bracket and opens the one closed below
        drawRoundBuilding();
        drawGround();
        drawMillTower();
    glPopMatrix();

    drawTree();  // last: its transforms stay on the matrix until the next frame's identity
    glDisable(GL_TEXTURE_2D);
}
