// SPDX-License-Identifier: MIT
// Frame driver, cameras, reshape and timer, read back from the matrices OpenGL actually holds.
#include <GL/freeglut.h>

#include <cmath>

#include "app/scene_state.h"
#include "app/window_events.h"
#include "tests/gl_test_support.h"
#include "view/frame.h"

namespace {

constexpr double kTol = 1e-4;

#define EXPECT_VEC3_NEAR(v, ex, ey, ez)  \
    do {                                 \
        const Vec3 got_ = (v);           \
        EXPECT_NEAR(got_.x, (ex), kTol); \
        EXPECT_NEAR(got_.y, (ey), kTol); \
        EXPECT_NEAR(got_.z, (ez), kTol); \
    } while (0)

using FrameTest = GlTest;

Vec3 normalised(Vec3 v) {
    const double n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / n, v.y / n, v.z / n};
}

TEST_F(FrameTest, OrbitCameraAtStartLooksAtTheTowerAxis) {
    displayFrame();
    const Matrix4 view = viewMatrixAfterFrame();
    EXPECT_VEC3_NEAR(eyeOfModelView(view), -60, 10, 0);
    EXPECT_VEC3_NEAR(viewDirectionOfModelView(view), 1, 0, 0);
    EXPECT_EQ(scene.orbitAngle, 0.0f);  // no orbit unless autoOrbit
}

TEST_F(FrameTest, OrbitAdvancesWhileAutoOrbitInEveryMode) {
    scene.autoOrbit = 1;
    scene.cameraMode = 3;
    displayFrame();
    displayFrame();
    EXPECT_FLOAT_EQ(scene.orbitAngle, float(float(0 + 0.03) + 0.03));
    scene.cameraMode = 1;
    displayFrame();
    const double angle = scene.orbitAngle;
    const Vec3 eye = eyeOfModelView(viewMatrixAfterFrame());
    EXPECT_NEAR(eye.x, std::cos(angle) * -60, kTol);
    EXPECT_NEAR(eye.z, std::sin(angle) * -60, kTol);
}

TEST_F(FrameTest, LampCameraLooksAlongTheLampFromTheLantern) {
    scene.cameraMode = 2;
    scene.lampAngle = -120;
    scene.beaconLit = 0;  // keeps the lamp still during the frame
    scene.beaconWanted = 0;
    displayFrame();
    const Matrix4 view = viewMatrixAfterFrame();
    EXPECT_VEC3_NEAR(eyeOfModelView(view), 0, 13, 0);
    const double rad = -120 / 57.29577951;
    EXPECT_VEC3_NEAR(viewDirectionOfModelView(view), std::sin(rad), 0, std::cos(rad));
}

TEST_F(FrameTest, SailCameraCirclesAndRollsWithTheSails) {
    scene.cameraMode = 3;
    scene.sailSpeed = 0;
    scene.sailAngle = 90;
    displayFrame();
    const Matrix4 view = viewMatrixAfterFrame();
    EXPECT_VEC3_NEAR(eyeOfModelView(view), 0, 15, 4);
    const Vec3 expected = normalised({0, -5, 21});
    EXPECT_VEC3_NEAR(viewDirectionOfModelView(view), expected.x, expected.y, expected.z);
    // The camera's up axis follows (u, w, 0) = (0, 1, 0) at 90 degrees; at 180 it rolls over.
    scene.sailAngle = 180;
    displayFrame();
    const Matrix4 rolled = viewMatrixAfterFrame();
    EXPECT_VEC3_NEAR(eyeOfModelView(rolled), -5, 10, 4);
    EXPECT_LT(rolled[1], -0.9);       // the screen's up now leans along world -x
    EXPECT_NEAR(rolled[5], 0, kTol);  // and has no world-y part
}

TEST_F(FrameTest, BalloonCameraFollowsTheDrag) {
    scene.cameraMode = 4;
    displayFrame();
    Matrix4 view = viewMatrixAfterFrame();
    EXPECT_VEC3_NEAR(eyeOfModelView(view), 50, 50, 0);
    Vec3 expected = normalised({-50, -50, 0});
    EXPECT_VEC3_NEAR(viewDirectionOfModelView(view), expected.x, expected.y, expected.z);

    scene.dragYaw = 100;  // centre (0, 0, 10)
    scene.dragPitch = 300;  // centre height 30; mode 4 does not limit the drag
    displayFrame();
    view = viewMatrixAfterFrame();
    expected = normalised({-50, -20, 10});
    EXPECT_VEC3_NEAR(viewDirectionOfModelView(view), expected.x, expected.y, expected.z);
    EXPECT_EQ(scene.dragPitch, 300.0f);
}

TEST_F(FrameTest, FollowCameraLimitsItsDistanceAndPlacesTheBirdFields) {
    scene.cameraMode = 5;
    scene.dragYaw = 90;
    scene.dragPitch = 140;
    displayFrame();
    EXPECT_EQ(scene.dragPitch, 85.0f);
    EXPECT_NEAR(scene.followX, 0, kTol);
    EXPECT_NEAR(scene.followZ, 85, kTol);
    const Matrix4 view = viewMatrixAfterFrame();
    EXPECT_VEC3_NEAR(eyeOfModelView(view), 0, 50, 85);
    const Vec3 expected = normalised({0, -35, -85});
    EXPECT_VEC3_NEAR(viewDirectionOfModelView(view), expected.x, expected.y, expected.z);

    scene.dragPitch = -1000;
    displayFrame();
    EXPECT_EQ(scene.dragPitch, -85.0f);
    EXPECT_NEAR(scene.followZ, -85, kTol);

    // Other modes leave the follow fields where mode 5 put them.
    scene.cameraMode = 1;
    displayFrame();
    EXPECT_NEAR(scene.followZ, -85, kTol);
}

TEST_F(FrameTest, FollowCameraStraightOverheadStillHasAView) {
    scene.cameraMode = 5;  // before any drag: eye straight above the point it looks at
    scene.dragYaw = 30;
    displayFrame();
    const Matrix4 view = viewMatrixAfterFrame();
    for (double v : view) ASSERT_TRUE(std::isfinite(v));
    EXPECT_VEC3_NEAR(eyeOfModelView(view), 0, 50, 0);
    EXPECT_VEC3_NEAR(viewDirectionOfModelView(view), 0, -1, 0);
    // The bird's heading points to the top of the picture: the camera's up is its second row.
    const double rad = 30 / 57.29577951;
    EXPECT_NEAR(view[1], -std::cos(rad), kTol);
    EXPECT_NEAR(view[5], 0, kTol);
    EXPECT_NEAR(view[9], -std::sin(rad), kTol);
}

TEST_F(FrameTest, ReshapeSetsTheNextViewportButKeepsTheAspect) {
    onReshape(400, 300);
    EXPECT_EQ(scene.windowWidth, 400);
    EXPECT_EQ(scene.windowHeight, 300);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    displayFrame();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 400);
    EXPECT_EQ(viewport[3], 300);

    onReshape(1200, 200);  // much wider than high: the picture stretches
    const Matrix4 p = projectionMatrix();
    EXPECT_NEAR(p[5] / p[0], 1.3, 1e-6);
    EXPECT_NEAR(p[5], 1 / std::tan(15 / 57.29577951), 1e-6);
    EXPECT_NEAR(p[10], -201.0 / 199.0, 1e-6);  // near 1, far 200
}

TEST_F(FrameTest, TimerAddsAThousandthOfARadianAndRearms) {
    onTimer(1);
    EXPECT_EQ(scene.dayTime, 0.001f);
    onTimer(1);
    EXPECT_EQ(scene.dayTime, 0.001f + 0.001f);
}

TEST_F(FrameTest, EveryFrameStartsFromTheSameStackDepths) {
    for (int mode = 1; mode <= 5; ++mode) {
        scene.cameraMode = mode;
        displayFrame();
        EXPECT_EQ(modelViewDepth(), 1) << "mode " << mode;
        EXPECT_EQ(projectionDepth(), 1) << "mode " << mode;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "mode " << mode;
    }
}

// At 24 degrees float arithmetic would round 5·w before adding 10 and land one float step off:
// 12.0336838 instead of 12.0336828.
TEST(CameraLookAtTest, SailCameraRoundsEachIntermediateOnce) {
    scene = SceneState{};
    scene.cameraMode = 3;
    scene.sailAngle = 24;
    CameraLookAt view;
    ASSERT_TRUE(cameraLookAt(&view));
    const float u = float(std::cos(24 / 57.29577951));
    const float w = float(std::sin(24 / 57.29577951));
    EXPECT_EQ(view.eye[0], float(5.0 * u));
    EXPECT_EQ(view.eye[1], float(5.0 * w + 10.0));
    EXPECT_EQ(view.eye[1], 12.0336828f);
    EXPECT_NE(view.eye[1], 5 * w + 10);  // the twice-rounded value
    EXPECT_EQ(view.up[0], u);
    EXPECT_EQ(view.up[1], w);
}

}  // namespace
