// SPDX-License-Identifier: MIT
// The scene pass: the beacon's sweep, the day/night rule with the "s" key, where the mill tower
// stands, and the state a whole frame hands on to the next.
#include <GL/glu.h>

#include <cmath>

#include "app/scene_state.h"
#include "tests/gl_test_support.h"
#include "view/frame.h"
#include "view/keyboard.h"

namespace {

using ScenePassTest = GlTest;

void expectBeaconColours(const ColourRGBA ambient, const ColourRGBA diffuseAndSpecular) {
    GLfloat a[4], d[4], s[4];
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, a);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, d);
    glGetLightfv(GL_LIGHT0, GL_SPECULAR, s);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(a[i], ambient[i]) << "ambient " << i;
        EXPECT_EQ(d[i], diffuseAndSpecular[i]) << "diffuse " << i;
        EXPECT_EQ(s[i], diffuseAndSpecular[i]) << "specular " << i;
    }
}

TEST_F(ScenePassTest, FirstFrameIsANightThatSweepsTheBeaconAndPlacesItAtTheLantern) {
    displayFrame();
    EXPECT_EQ(scene.beaconLit, 1);
    EXPECT_EQ(scene.beaconSweep, 0.04f);
    const float dx = float(-40 * std::cos(double(0.04f)));
    const float dz = float(-40 * std::sin(double(0.04f)));
    EXPECT_EQ(scene.beaconDirection[0], dx);
    EXPECT_EQ(scene.beaconDirection[1], 0.0f);
    EXPECT_EQ(scene.beaconDirection[2], dz);
    EXPECT_EQ(scene.beaconDirection[3], 1.0f);
    expectBeaconColours(colourDimGrey, colourWhite);

    // OpenGL holds the light in eye coordinates: the world values under this frame's camera.
    const Matrix4 v = viewMatrixAfterFrame();
    GLfloat got[4];
    glGetLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, got);
    EXPECT_NEAR(got[0], v[0] * dx + v[8] * dz, 1e-3);
    EXPECT_NEAR(got[1], v[1] * dx + v[9] * dz, 1e-3);
    EXPECT_NEAR(got[2], v[2] * dx + v[10] * dz, 1e-3);
    glGetLightfv(GL_LIGHT0, GL_POSITION, got);
    EXPECT_NEAR(got[0], v[4] * 13 + v[12], 1e-4);
    EXPECT_NEAR(got[1], v[5] * 13 + v[13], 1e-4);
    EXPECT_NEAR(got[2], v[6] * 13 + v[14], 1e-4);
    EXPECT_EQ(got[3], 1.0f);

    displayFrame();
    EXPECT_EQ(scene.beaconSweep, 0.04f + 0.04f);
}

TEST_F(ScenePassTest, DaylightHoldsTheSweepAndBlackensTheBeacon) {
    scene.dayTime = 3.5f;  // 3.51 after the sun's step: day
    displayFrame();
    EXPECT_EQ(scene.beaconLit, 0);
    // The sweep ran before the rule, while the beacon was still lit; the lamp runs after it.
    EXPECT_EQ(scene.beaconSweep, 0.04f);
    EXPECT_EQ(scene.lampAngle, -90.0f);
    expectBeaconColours(colourBlack, colourBlack);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));  // the sky switched it on again; black, it lights nothing
    displayFrame();
    EXPECT_EQ(scene.beaconSweep, 0.04f);

    // The sun exactly on the horizon counts as day, and day restores the wish for the beacon.
    resetSceneAndGl();
    scene.dayTime = -0.01f;
    scene.beaconWanted = 0;
    displayFrame();
    ASSERT_EQ(scene.dayTime, 0.0f);
    EXPECT_EQ(scene.beaconLit, 0);
    EXPECT_EQ(scene.beaconWanted, 1);
    expectBeaconColours(colourBlack, colourBlack);
}

TEST_F(ScenePassTest, SKeyAtNightDarkensTheBeaconAtOnceAndStopsTheSweepAFrameLater) {
    displayFrame();
    onKey('s', 0, 0);
    expectBeaconColours(colourBlack, colourBlack);

    displayFrame();  // still lit when the sweep runs, dark from the rule on
    EXPECT_EQ(scene.beaconSweep, 0.04f + 0.04f);
    EXPECT_EQ(scene.beaconLit, 0);
    EXPECT_EQ(scene.lampAngle, -92.2919717f);
    displayFrame();
    EXPECT_EQ(scene.beaconSweep, 0.04f + 0.04f);
    EXPECT_EQ(scene.beaconWanted, 0);
    expectBeaconColours(colourBlack, colourBlack);
}

TEST_F(ScenePassTest, SKeyByDayIsForgottenAndTheBeaconShinesAtNightfall) {
    scene.dayTime = 3.5f;
    displayFrame();
    onKey('s', 0, 0);
    displayFrame();
    EXPECT_EQ(scene.beaconWanted, 1);

    scene.dayTime = 6.3f;  // 6.31 after the sun's step: just past 2 pi, night again
    displayFrame();
    EXPECT_EQ(scene.beaconLit, 1);
    expectBeaconColours(colourDimGrey, colourWhite);
}

TEST_F(ScenePassTest, FrameEndsWithTheTreeMaterialTheSailTextureAndTexturingOff) {
    displayFrame();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(modelViewDepth(), 1);
    GLfloat v[4];
    for (GLenum what : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION}) {
        glGetMaterialfv(GL_FRONT, what, v);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], what == GL_EMISSION ? 0.0f : colourGreen[i]);
    }
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), scene.textures[7]);
    for (GLenum cap : {GL_LIGHTING, GL_LIGHT0, GL_LIGHT1}) EXPECT_TRUE(glIsEnabled(cap));

    // With the user's switches off, no routine turns lighting or texturing back on.
    onKey('l', 0, 0);
    onKey('t', 0, 0);
    displayFrame();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ScenePassTest, MillTowerStandsOnTheOriginInTheStartView) {
    displayFrame();
    const Matrix4 view = viewMatrixAfterFrame();
    const Matrix4 projection = projectionMatrix();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    // Facing the camera: the shaft at height 5 (radius 4) and the collar at 10.5 (radius 3).
    for (Vec3 p : {Vec3{-4, 5, 0}, Vec3{-3, 10.5, 0}}) {
        double x = 0, y = 0, z = 0;
        gluProject(p.x, p.y, p.z, view.data(), projection.data(), viewport, &x, &y, &z);
        float depth = -1;
        glReadPixels(int(x), int(y), 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        EXPECT_NEAR(depth, z, 2e-5) << "height " << p.y;
    }
}

}  // namespace
