// SPDX-License-Identifier: MIT
// Hostile input: every key code once, then a seeded random storm of every key but Escape,
// special keys known and unknown, presses and releases of real and odd buttons, drags to
// anywhere, window sizes, timer ticks, interleaved with frames. Nothing may crash, OpenGL must
// never report an error, the camera mode stays 1 to 5, the switches stay 0 or 1, and every
// continuous field stays finite. (The Up arrow may push the field of view below zero: that is
// allowed, a non-finite value is not.)
#include <GL/freeglut.h>

#include <climits>
#include <cmath>
#include <random>
#include <string>

#include "app/scene_state.h"
#include "app/window_events.h"
#include "tests/gl_test_support.h"
#include "view/frame.h"
#include "view/keyboard.h"
#include "view/pointer.h"

#if defined(__SANITIZE_ADDRESS__)
#define STORM_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define STORM_UNDER_ASAN 1
#endif
#endif
#ifndef STORM_UNDER_ASAN
#define STORM_UNDER_ASAN 0
#endif

namespace {

constexpr int kEvents = STORM_UNDER_ASAN ? 4000 : 16000;
constexpr unsigned kSeed = 20240611;

using Random = std::mt19937;

int pick(Random& random, int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

// A coordinate: mostly inside or near the window, sometimes anywhere an int can reach.
int coordinate(Random& random) {
    switch (pick(random, 0, 9)) {
    case 0: return pick(random, INT_MIN, INT_MAX);
    case 1: return pick(random, 0, 1) ? INT_MIN : INT_MAX;
    case 2: return pick(random, -100000, 100000);
    default: return pick(random, -50, 850);
    }
}

// Every special key the toolkit names, plus codes nobody sends.
int specialKey(Random& random) {
    static const int kNamed[] = {GLUT_KEY_F1,        GLUT_KEY_F2,        GLUT_KEY_F3,     GLUT_KEY_F4,
                                 GLUT_KEY_F5,        GLUT_KEY_F6,        GLUT_KEY_F7,     GLUT_KEY_F8,
                                 GLUT_KEY_F9,        GLUT_KEY_F10,       GLUT_KEY_F11,    GLUT_KEY_F12,
                                 GLUT_KEY_LEFT,      GLUT_KEY_UP,        GLUT_KEY_RIGHT,  GLUT_KEY_DOWN,
                                 GLUT_KEY_PAGE_UP,   GLUT_KEY_PAGE_DOWN, GLUT_KEY_HOME,   GLUT_KEY_END,
                                 GLUT_KEY_INSERT,    GLUT_KEY_NUM_LOCK,  GLUT_KEY_BEGIN,  GLUT_KEY_DELETE,
                                 GLUT_KEY_SHIFT_L,   GLUT_KEY_SHIFT_R,   GLUT_KEY_CTRL_L, GLUT_KEY_CTRL_R,
                                 GLUT_KEY_ALT_L,     GLUT_KEY_ALT_R};
    switch (pick(random, 0, 3)) {
    case 0: return pick(random, INT_MIN, INT_MAX);
    case 1: return pick(random, -5, 300);
    default: return kNamed[pick(random, 0, int(sizeof kNamed / sizeof kNamed[0]) - 1)];
    }
}

// Left, middle and right mostly; wheel "buttons", negative and absurd ones now and then.
int button(Random& random) {
    static const int kOdd[] = {3, 4, 5, 6, 7, -1, 255, INT_MIN, INT_MAX};
    if (pick(random, 0, 4)) return pick(random, 0, 2);
    return kOdd[pick(random, 0, int(sizeof kOdd / sizeof kOdd[0]) - 1)];
}

int buttonState(Random& random) {
    static const int kOdd[] = {2, -1, 7, INT_MIN, INT_MAX};
    if (pick(random, 0, 5)) return pick(random, GLUT_DOWN, GLUT_UP);
    return kOdd[pick(random, 0, int(sizeof kOdd / sizeof kOdd[0]) - 1)];
}

// The toolkit reports sizes from 0 up; the viewport clamps what exceeds the largest it supports.
int windowSide(Random& random) {
    switch (pick(random, 0, 7)) {
    case 0: return 0;
    case 1: return 1;
    case 2: return pick(random, 2000, 100000);
    default: return pick(random, 2, 1000);
    }
}

// Sends one random event; returns a description for failure messages.
std::string sendOneEvent(Random& random) {
    const int kind = pick(random, 0, 99);
    if (kind < 30) {
        int key = pick(random, 0, 254);
        if (key >= 27) ++key;  // Escape ends the process
        onKey((unsigned char)key, coordinate(random), coordinate(random));
        return "key " + std::to_string(key);
    }
    if (kind < 45) {
        const int key = specialKey(random);
        onSpecialKey(key, coordinate(random), coordinate(random));
        return "special key " + std::to_string(key);
    }
    if (kind < 57) {
        const int b = button(random), s = buttonState(random), x = coordinate(random), y = coordinate(random);
        onMouseButton(b, s, x, y);
        return "button " + std::to_string(b) + " state " + std::to_string(s) + " at " + std::to_string(x) +
               "," + std::to_string(y);
    }
    if (kind < 85) {
        const int x = coordinate(random), y = coordinate(random);
        onMouseDrag(x, y);
        return "drag to " + std::to_string(x) + "," + std::to_string(y);
    }
    if (kind < 88) {
        const int w = windowSide(random), h = windowSide(random);
        onReshape(w, h);
        return "reshape " + std::to_string(w) + "x" + std::to_string(h);
    }
    onTimer(pick(random, 0, 1) ? 1 : pick(random, INT_MIN, INT_MAX));
    return "timer";
}

// Empty when the state is sound, else what is wrong.
std::string unsoundState() {
    if (scene.cameraMode < 1 || scene.cameraMode > 5) return "cameraMode " + std::to_string(scene.cameraMode);
    const int switches[] = {scene.lightingOn, scene.texturingOn, scene.beaconLit,
                            scene.beaconWanted, scene.vaneFlutter, scene.autoOrbit};
    for (int value : switches)
        if (value != 0 && value != 1) return "a switch holds " + std::to_string(value);
    const struct {
        const char* name;
        float value;
    } fields[] = {
        {"fieldOfView", scene.fieldOfView}, {"dayTime", scene.dayTime},         {"sailAngle", scene.sailAngle},
        {"sailSpeed", scene.sailSpeed},     {"beaconSweep", scene.beaconSweep}, {"lampAngle", scene.lampAngle},
        {"orbitAngle", scene.orbitAngle},   {"wingLift", scene.wingLift},       {"headTurn", scene.headTurn},
        {"orbitRadius", scene.orbitRadius}, {"orbitHeight", scene.orbitHeight}, {"dragYaw", scene.dragYaw},
        {"dragPitch", scene.dragPitch},     {"lastMouseX", scene.lastMouseX},   {"lastMouseY", scene.lastMouseY},
        {"followX", scene.followX},         {"followZ", scene.followZ},
    };
    for (const auto& field : fields)
        if (!std::isfinite(field.value)) return std::string(field.name) + " is not finite";
    const float* vectors[] = {scene.beaconPosition, scene.beaconDirection, scene.sunPosition, scene.sunColour,
                              scene.sunAmbient};
    for (const float* v : vectors)
        for (int i = 0; i < 4; ++i)
            if (!std::isfinite(v[i])) return "a light vector is not finite";
    return "";
}

bool finiteMatrix(const Matrix4& m) {
    for (double v : m)
        if (!std::isfinite(v)) return false;
    return true;
}

using InputStormTest = GlTest;

// Every code once, in order, each followed by a frame, before any randomness.
TEST_F(InputStormTest, EveryKeyCodeAndButtonOnceLeavesEverythingSound) {
    auto frameAndCheck = [](const std::string& what) {
        ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << what;
        displayFrame();
        ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "frame after " << what;
        ASSERT_EQ(unsoundState(), "") << what;
    };
    onReshape(160, 120);  // a small window keeps the six hundred frames quick
    for (int key = 0; key < 256; ++key) {
        if (key == 27) continue;  // Escape ends the process
        onKey((unsigned char)key, 0, 0);
        frameAndCheck("key " + std::to_string(key));
    }
    for (int key = -2; key <= 300; ++key) {
        onSpecialKey(key, 0, 0);
        frameAndCheck("special key " + std::to_string(key));
    }
    for (int b = -1; b <= 7; ++b) {
        for (int s = -1; s <= 2; ++s) {
            onMouseButton(b, s, 400, 300);
            onMouseDrag(390, 280);
            frameAndCheck("button " + std::to_string(b) + " state " + std::to_string(s));
        }
    }
}

TEST_F(InputStormTest, RandomInputBetweenFramesLeavesEverythingSound) {
    Random random(kSeed);
    int frames = 0;
    std::string last = "start";
    for (int event = 0; event < kEvents; ++event) {
        if (pick(random, 0, 15) == 0) {
            displayFrame();
            ++frames;
            last = "frame " + std::to_string(frames);
            ASSERT_EQ(modelViewDepth(), 1) << last;
            ASSERT_EQ(projectionDepth(), 1) << last;
            ASSERT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << last;
            ASSERT_EQ(glIsEnabled(GL_LIGHTING) == GL_TRUE, scene.lightingOn == 1) << last;
            ASSERT_TRUE(finiteMatrix(modelViewMatrix())) << last;
            if (scene.cameraMode == 5) {
                ASSERT_LE(std::fabs(scene.dragPitch), 85.0f) << last;
            }
        } else {
            last = sendOneEvent(random);
        }
        ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "event " << event << ": " << last;
        const std::string problem = unsoundState();
        ASSERT_EQ(problem, "") << "event " << event << ": " << last;
        ASSERT_TRUE(finiteMatrix(projectionMatrix())) << "event " << event << ": " << last;
    }
    EXPECT_GT(frames, kEvents / 32);
}

// Floods in one direction, in every camera mode: zoom, sail speed and the orbit camera's steps
// pile up without limit, and drags swing between the ends of the int range - what the mixed
// storm rarely does.
TEST_F(InputStormTest, OneSidedFloodsStayFinite) {
    for (int mode = 1; mode <= 5; ++mode) {
        SCOPED_TRACE("camera mode " + std::to_string(mode));
        resetSceneAndGl();
        onSpecialKey(GLUT_KEY_F1 + mode - 1, 0, 0);
        onMouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
        const int floods = STORM_UNDER_ASAN ? 50 : 200;
        for (int i = 0; i < floods; ++i) {
            onMouseDrag(i % 2 ? INT_MIN : INT_MAX, i % 2 ? INT_MAX : INT_MIN);
            onSpecialKey(mode % 2 ? GLUT_KEY_UP : GLUT_KEY_DOWN, 0, 0);
            onKey('+', 0, 0);
            onKey(mode % 2 ? 'a' : 'q', 0, 0);
            onKey(mode % 2 ? 'x' : 'y', 0, 0);
            if (i % 10 == 0) {
                displayFrame();
                ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "flood " << i;
                ASSERT_TRUE(finiteMatrix(modelViewMatrix())) << "flood " << i;
            }
            ASSERT_EQ(unsoundState(), "") << "flood " << i;
        }
        ASSERT_TRUE(finiteMatrix(projectionMatrix()));
    }
}

}  // namespace
