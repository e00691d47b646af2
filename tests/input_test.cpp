// SPDX-License-Identifier: MIT
// Keys, special keys and the mouse: the fields they change and the OpenGL state they switch at once.
#include <GL/freeglut.h>

#include <cmath>
#include <cstring>

#include "app/scene_state.h"
#include "tests/gl_test_support.h"
#include "view/keyboard.h"
#include "view/pointer.h"

namespace {

using InputTest = GlTest;

void press(unsigned char key, int times = 1) {
    for (int i = 0; i < times; ++i) onKey(key, 0, 0);
}

void expectLight0(const ColourRGBA ambient, const ColourRGBA diffuseAndSpecular) {
    GLfloat v[4];
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, v);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], ambient[i]) << "ambient " << i;
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, v);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], diffuseAndSpecular[i]) << "diffuse " << i;
    glGetLightfv(GL_LIGHT0, GL_SPECULAR, v);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], diffuseAndSpecular[i]) << "specular " << i;
}

TEST_F(InputTest, SpeedKeysStepBySinglePrecisionTenthsAndHopAcrossZero) {
    scene.sailSpeed = 0.05f;
    press('-');
    EXPECT_EQ(scene.sailSpeed, 0.05f - 0.1f);
    EXPECT_LT(scene.sailSpeed, 0);
    press('-');
    EXPECT_EQ(scene.sailSpeed, (0.05f - 0.1f) + 0.1f);
    EXPECT_GT(scene.sailSpeed, 0);

    scene.sailSpeed = 0;
    press('+');  // at rest "+" starts the sails backwards
    EXPECT_EQ(scene.sailSpeed, -0.1f);
    scene.sailSpeed = 0;
    press('-');
    EXPECT_EQ(scene.sailSpeed, -0.1f);

    scene.sailSpeed = 0.05f;
    press('+');
    EXPECT_EQ(scene.sailSpeed, 0.05f + 0.1f);
    scene.sailSpeed = -0.05f;
    press('+');
    EXPECT_EQ(scene.sailSpeed, -0.05f - 0.1f);
}

TEST_F(InputTest, OrbitKeysMoveTheCameraInDoubleSteps) {
    press('a');
    EXPECT_EQ(scene.orbitRadius, -60.5f);  // farther out on the negative side
    press('q', 121);
    EXPECT_EQ(scene.orbitRadius, 0.0f);  // onto the tower axis
    press('q');
    EXPECT_EQ(scene.orbitRadius, 0.5f);  // and over to the other side

    // 0.1 taken in double precision: 100 presses of "y" from 10 miss zero by a hair, and by
    // another hair than steps of 0.1f would.
    float inDouble = 10, inFloat = 10;
    for (int i = 0; i < 100; ++i) {
        inDouble = float(inDouble - 0.1);
        inFloat -= 0.1f;
    }
    ASSERT_NE(inDouble, inFloat);
    press('y', 100);
    EXPECT_EQ(scene.orbitHeight, inDouble);
    EXPECT_NEAR(scene.orbitHeight, 0, 1e-5);
    for (int i = 0; i < 100; ++i) inDouble = float(inDouble + 0.1);
    press('x', 100);
    EXPECT_EQ(scene.orbitHeight, inDouble);
    EXPECT_NEAR(scene.orbitHeight, 10, 1e-5);
}

TEST_F(InputTest, LightingAndTexturingKeysSwitchFlagAndCapabilityAtOnce) {
    glEnable(GL_TEXTURE_2D);
    press('l');
    EXPECT_EQ(scene.lightingOn, 0);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    press('l');
    EXPECT_EQ(scene.lightingOn, 1);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));

    press('t');
    EXPECT_EQ(scene.texturingOn, 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    press('t');
    EXPECT_EQ(scene.texturingOn, 1);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));

    press(' ');
    EXPECT_EQ(scene.vaneFlutter, 0);
    press(' ');
    EXPECT_EQ(scene.vaneFlutter, 1);
}

TEST_F(InputTest, BeaconKeySetsLightZeroColoursAtOnce) {
    press('s');
    EXPECT_EQ(scene.beaconWanted, 0);
    expectLight0(colourBlack, colourBlack);
    press('s');
    EXPECT_EQ(scene.beaconWanted, 1);
    expectLight0(colourDimGrey, colourWhite);
}

TEST_F(InputTest, EveryOtherKeyDoesNothing) {
    const char* acting = " +-aqxylts";
    for (int key = 0; key < 256; ++key) {
        if (key == 27 || (key != 0 && std::strchr(acting, key))) continue;
        const SceneState before = scene;
        press(static_cast<unsigned char>(key));
        EXPECT_EQ(scene.sailSpeed, before.sailSpeed) << key;
        EXPECT_EQ(scene.orbitRadius, before.orbitRadius) << key;
        EXPECT_EQ(scene.orbitHeight, before.orbitHeight) << key;
        EXPECT_EQ(scene.lightingOn, before.lightingOn) << key;
        EXPECT_EQ(scene.texturingOn, before.texturingOn) << key;
        EXPECT_EQ(scene.beaconWanted, before.beaconWanted) << key;
        EXPECT_EQ(scene.vaneFlutter, before.vaneFlutter) << key;
        EXPECT_EQ(scene.cameraMode, before.cameraMode) << key;
        EXPECT_EQ(scene.fieldOfView, before.fieldOfView) << key;
    }
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    expectLight0(colourDimGrey, colourWhite);
}

// Runs in a fresh process of its own, so the child never shares the parent's X connection.
TEST(InputDeathTest, EscapeEndsTheProgramAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(onKey(27, 0, 0), ::testing::ExitedWithCode(0), "");
}

TEST_F(InputTest, FunctionKeysChooseTheCamera) {
    const int keys[5] = {GLUT_KEY_F1, GLUT_KEY_F2, GLUT_KEY_F3, GLUT_KEY_F4, GLUT_KEY_F5};
    for (int mode : {5, 2, 4, 1, 3}) {
        onSpecialKey(keys[mode - 1], 0, 0);
        EXPECT_EQ(scene.cameraMode, mode);
    }
    for (int key : {GLUT_KEY_F6, GLUT_KEY_F12, GLUT_KEY_LEFT, GLUT_KEY_RIGHT, GLUT_KEY_UP, GLUT_KEY_DOWN, 0})
        onSpecialKey(key, 0, 0);
    EXPECT_EQ(scene.cameraMode, 3);
}

TEST_F(InputTest, EverySpecialKeyRebuildsTheProjection) {
    auto expectPerspective = [](double fov) {
        const Matrix4 p = projectionMatrix();
        EXPECT_NEAR(p[5], 1 / std::tan(fov / 2 / 57.29577951), 1e-6 * std::fabs(p[5])) << fov;
        EXPECT_NEAR(p[5] / p[0], 1.3, 1e-6) << fov;
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
        EXPECT_EQ(projectionDepth(), 1);
    };
    for (int i = 1; i < 60; ++i) {
        onSpecialKey(GLUT_KEY_UP, 0, 0);
        ASSERT_EQ(scene.fieldOfView, 30.0f - 0.5f * i);
        expectPerspective(scene.fieldOfView);
    }
    onSpecialKey(GLUT_KEY_UP, 0, 0);
    EXPECT_EQ(scene.fieldOfView, 0.0f);
    // A zero angle makes no perspective: the projection is the bare identity, not the last one.
    const Matrix4 p = projectionMatrix();
    for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], i % 5 == 0 ? 1.0 : 0.0) << i;
    onSpecialKey(GLUT_KEY_UP, 0, 0);
    expectPerspective(-0.5);  // no limit: the picture turns upside down
    onSpecialKey(GLUT_KEY_DOWN, 0, 0);
    onSpecialKey(GLUT_KEY_DOWN, 0, 0);
    EXPECT_EQ(scene.fieldOfView, 0.5f);

    scene.fieldOfView = 45;  // changed behind its back: any special key applies it
    onSpecialKey(GLUT_KEY_F9, 0, 0);
    expectPerspective(45);
    EXPECT_EQ(scene.fieldOfView, 45.0f);
}

TEST_F(InputTest, LeftPressReversesTheSailsAndDragsSteerOnlyModesFourAndFive) {
    scene.cameraMode = 5;
    onMouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 400, 300);
    EXPECT_EQ(scene.sailSpeed, -1.0f);
    onMouseDrag(395, 290);
    onMouseDrag(390, 280);
    EXPECT_EQ(scene.dragYaw, 10.0f);
    EXPECT_EQ(scene.dragPitch, 20.0f);
    onMouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 390, 280);
    EXPECT_EQ(scene.sailSpeed, -1.0f);  // the release changes nothing

    scene.cameraMode = 4;  // shares the accumulators; right and down count negative
    onMouseDrag(400, 310);
    EXPECT_EQ(scene.dragYaw, 0.0f);
    EXPECT_EQ(scene.dragPitch, -10.0f);

    scene.cameraMode = 1;
    onMouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100);
    EXPECT_EQ(scene.sailSpeed, 1.0f);
    onMouseDrag(50, 20);
    EXPECT_EQ(scene.dragYaw, 0.0f);
    EXPECT_EQ(scene.dragPitch, -10.0f);
    EXPECT_EQ(scene.lastMouseX, 100.0f);  // an ignored drag does not move the remembered point
    EXPECT_EQ(scene.lastMouseY, 100.0f);
}

TEST_F(InputTest, RightPressTogglesTheOrbitAndDragsGoOnFromTheLastLeftPress) {
    scene.cameraMode = 4;
    onMouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100);
    onMouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 120, 130);
    onMouseButton(GLUT_RIGHT_BUTTON, GLUT_DOWN, 500, 500);
    EXPECT_EQ(scene.autoOrbit, 1);
    EXPECT_EQ(scene.sailSpeed, -1.0f);  // reversed by the left press only
    onMouseDrag(90, 120);
    EXPECT_EQ(scene.dragYaw, 10.0f);
    EXPECT_EQ(scene.dragPitch, -20.0f);
    onMouseButton(GLUT_RIGHT_BUTTON, GLUT_UP, 90, 120);
    EXPECT_EQ(scene.autoOrbit, 1);
    onMouseButton(GLUT_RIGHT_BUTTON, GLUT_DOWN, 90, 120);
    EXPECT_EQ(scene.autoOrbit, 0);

    onMouseButton(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 700, 10);
    onMouseButton(GLUT_MIDDLE_BUTTON, GLUT_UP, 700, 10);
    EXPECT_EQ(scene.autoOrbit, 0);
    EXPECT_EQ(scene.sailSpeed, -1.0f);
    EXPECT_EQ(scene.lastMouseX, 90.0f);
    EXPECT_EQ(scene.lastMouseY, 120.0f);
}

}  // namespace
