// SPDX-License-Identifier: MIT
// The bird: its two step machines, the state it hands on, and where it shows in the follow camera.
#include <GL/freeglut.h>

#include <algorithm>

#include "app/scene_state.h"
#include "scene/bird.h"
#include "tests/gl_test_support.h"
#include "view/frame.h"
#include "view/keyboard.h"
#include "view/pointer.h"

namespace {

using BirdTest = GlTest;

void drawBirdTimes(int n) {
    for (int i = 0; i < n; ++i) drawBird();
}

TEST_F(BirdTest, WingsTurnOnTheRoundedSumSoABeatTakesSeventyTwoCalls) {
    drawBirdTimes(25);
    EXPECT_EQ(scene.wingLift, 2.4999998f);  // just short of 2.5: one more rise
    EXPECT_EQ(scene.wingsFalling, 0.0f);
    drawBird();
    EXPECT_EQ(scene.wingLift, 2.5999997f);
    EXPECT_EQ(scene.wingsFalling, 1.0f);

    float lowest = scene.wingLift, highest = scene.wingLift;
    int turns = 0;
    float lastFlag = scene.wingsFalling;
    for (int i = 0; i < 72; ++i) {
        drawBird();
        lowest = std::min(lowest, scene.wingLift);
        highest = std::max(highest, scene.wingLift);
        if (scene.wingsFalling != lastFlag) ++turns;
        lastFlag = scene.wingsFalling;
        if (i == 25) {  // the double steps pass zero at a hair from it (0.1f steps: -7.4505806e-08)
            EXPECT_EQ(scene.wingLift, -7.30156913e-08f);
        }
        if (i == 35) {  // 36 falling steps reach the lower turn
            EXPECT_EQ(scene.wingLift, -1.0000001f);
            EXPECT_EQ(scene.wingsFalling, 0.0f);
        }
    }
    EXPECT_EQ(turns, 2);
    EXPECT_EQ(scene.wingLift, 2.5999997f);  // back where it turned, one beat later
    EXPECT_EQ(scene.wingsFalling, 1.0f);
    EXPECT_EQ(lowest, -1.0000001f);
    EXPECT_EQ(highest, 2.5999997f);
}

TEST_F(BirdTest, HeadSwingsTwentyPointOneEachWayInTwoHundredSixtyEightCalls) {
    drawBirdTimes(66);
    EXPECT_EQ(scene.headTurningBack, 0.0f);
    drawBird();
    EXPECT_EQ(scene.headTurn, 20.0999966f);
    EXPECT_EQ(scene.headTurningBack, 1.0f);
    drawBirdTimes(67);  // back through zero, by a hair (0.3f steps: -7.15255737e-07)
    EXPECT_EQ(scene.headTurn, -7.0333482e-07f);
    drawBirdTimes(66);
    EXPECT_EQ(scene.headTurningBack, 1.0f);
    drawBird();
    EXPECT_EQ(scene.headTurn, -20.0999966f);
    EXPECT_EQ(scene.headTurningBack, 0.0f);
    drawBirdTimes(134);
    EXPECT_EQ(scene.headTurn, 20.0999966f);
    EXPECT_EQ(scene.headTurningBack, 1.0f);
}

TEST_F(BirdTest, LeavesTheMatrixAndSwitchesAndEndsInBlue) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, scene.textures[5]);
    glColor4d(0.25, 0.5, 0.75, 1);
    glTranslated(3, 47, -2);
    glRotated(-120, 0, 1, 0);
    const Matrix4 before = modelViewMatrix();
    drawBird();
    EXPECT_EQ(modelViewMatrix(), before);
    EXPECT_EQ(modelViewDepth(), 1);

    for (GLenum face : {GL_FRONT, GL_BACK})
        for (GLenum which : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR}) {
            GLfloat v[4];
            glGetMaterialfv(face, which, v);
            for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], colourBlue[i]) << which << " " << i;
        }
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.25f);
    EXPECT_FLOAT_EQ(colour[1], 0.5f);
    EXPECT_FLOAT_EQ(colour[2], 0.75f);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), scene.textures[5]);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Camera 5 at distance 30, yaw 0: eye (30, 50, 0) looking at (0, 15, 0); the bird's tail at
// (33, 47, 0), its head towards -x with the centre 6.13 along and 0.79 below: right ahead of the eye.
class BirdInFollowCamera : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        onSpecialKey(GLUT_KEY_F5, 0, 0);
        onMouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 400, 300);
        onMouseDrag(400, 270);
    }
};

TEST_F(BirdInFollowCamera, UnlitBirdShowsThePassColourLitItsMaterials) {
    onKey('l', 0, 0);
    displayFrame();
    ASSERT_EQ(scene.followX, 30.0f);
    Rgb p = pixelAtWorldPoint({33 - 6.13, 47 - 0.79, 0});
    EXPECT_EQ(p.r, 0);
    EXPECT_EQ(p.g, 255);
    EXPECT_EQ(p.b, 255);

    // Turned by the drag: a quarter turn puts the eye at (0, 50, 30) and the head towards -z.
    onMouseDrag(310, 270);
    displayFrame();
    const Vec3 turnedHead = {0, 47 - 0.79, 33 - 6.13};
    p = pixelAtWorldPoint(turnedHead);
    EXPECT_EQ(p.r, 0);
    EXPECT_EQ(p.g, 255);
    EXPECT_EQ(p.b, 255);

    onKey('l', 0, 0);
    displayFrame();
    p = pixelAtWorldPoint(turnedHead);
    EXPECT_GE(p.r, 0);  // on screen
    EXPECT_FALSE(p.r == 0 && p.g == 255 && p.b == 255);
}

}  // namespace
