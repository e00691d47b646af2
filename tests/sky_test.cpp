// SPDX-License-Identifier: MIT
// The day clock, the sun and its light, the moon, and the sky dome.
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/scene_state.h"
#include "scene/sky.h"
#include "tests/gl_test_support.h"
#include "view/frame.h"

namespace {

using SkyTest = GlTest;

constexpr double kPi = 3.14159265358979323846;

void expectVector(const GLfloat* got, const GLfloat* expected, int n, const char* what) {
    for (int i = 0; i < n; ++i) EXPECT_EQ(got[i], expected[i]) << what << " " << i;
}

TEST_F(SkyTest, SunRunsItsCourseAndLightOneTakesItsColourUnclamped) {
    struct Moment {
        double dayTime, x, y, z, red, green;
    };
    const Moment moments[] = {{kPi / 2, 0, -90, -30, -0.5, -0.7},  // midnight
                              {kPi, 90, 0, 0, 0.5, 0},             // sunrise
                              {3 * kPi / 2, 0, 90, 30, 1.5, 0.7},  // noon
                              {2 * kPi, -90, 0, 0, 0.5, 0}};       // sunset
    for (const Moment& m : moments) {
        SCOPED_TRACE(m.dayTime);
        glLoadIdentity();  // world and eye coordinates coincide
        scene.dayTime = float(m.dayTime) - 0.01f;
        const float before = scene.dayTime;
        GLfloat previous[4];
        for (int i = 0; i < 4; ++i) previous[i] = scene.sunPosition[i];

        drawSun();
        EXPECT_EQ(scene.dayTime, before + 0.01f);
        EXPECT_NEAR(scene.sunPosition[0], m.x, 1e-3);
        EXPECT_NEAR(scene.sunPosition[1], m.y, 1e-3);
        EXPECT_NEAR(scene.sunPosition[2], m.z, 1e-3);
        EXPECT_EQ(scene.sunPosition[3], 1.0f);
        EXPECT_NEAR(scene.sunColour[0], m.red, 1e-4);
        EXPECT_NEAR(scene.sunColour[1], m.green, 1e-4);
        EXPECT_EQ(scene.sunColour[2], 0.0f);
        EXPECT_EQ(scene.sunColour[3], 0.0f);

        // Light 1 stands where the sun was a step ago and shines in its colour, below zero at
        // night and above one at noon; the sun glows in the same colour.
        GLfloat got[4];
        glGetLightfv(GL_LIGHT1, GL_POSITION, got);
        expectVector(got, previous, 4, "light 1 position");
        glGetLightfv(GL_LIGHT1, GL_DIFFUSE, got);
        expectVector(got, scene.sunColour, 4, "light 1 diffuse");
        glGetLightfv(GL_LIGHT1, GL_SPECULAR, got);
        expectVector(got, scene.sunColour, 4, "light 1 specular");
        glGetMaterialfv(GL_FRONT, GL_EMISSION, got);
        expectVector(got, scene.sunColour, 4, "emission");
        EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));  // the sun is untextured

        drawMoon();
        glGetMaterialfv(GL_BACK, GL_EMISSION, got);
        expectVector(got, colourBlack, 4, "emission after the moon");
        for (GLenum what : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR}) {
            glGetMaterialfv(GL_BACK, what, got);
            expectVector(got, colourWhite, 4, "moon material");
        }
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(GLuint(bound), scene.textures[9]);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
        EXPECT_EQ(modelViewDepth(), 1);
        glDisable(GL_TEXTURE_2D);
    }

    // Switched off by the user, the moon leaves lighting off and does not texture.
    scene.lightingOn = 0;
    scene.texturingOn = 0;
    glDisable(GL_LIGHTING);
    drawMoon();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(SkyTest, FirstFrameLightsFromStraightAboveWhileTheSunSetsInTheWest) {
    displayFrame();
    EXPECT_EQ(scene.dayTime, 0.01f);
    const double t = 0.01f;
    EXPECT_EQ(scene.sunPosition[0], float(-90 * std::cos(t)));
    EXPECT_EQ(scene.sunPosition[1], float(-90 * std::sin(t)));
    EXPECT_EQ(scene.sunPosition[2], float(-30 * std::sin(t)));
    EXPECT_EQ(scene.sunColour[0], float(-std::sin(t) + 0.5));
    EXPECT_EQ(scene.sunColour[1], float(-0.7 * std::sin(t)));

    // Placed under this frame's camera at the start value (0, 50, 0).
    const Matrix4 v = viewMatrixAfterFrame();
    GLfloat got[4];
    glGetLightfv(GL_LIGHT1, GL_POSITION, got);
    EXPECT_NEAR(got[0], v[4] * 50 + v[12], 1e-4);
    EXPECT_NEAR(got[1], v[5] * 50 + v[13], 1e-4);
    EXPECT_NEAR(got[2], v[6] * 50 + v[14], 1e-4);
}

TEST_F(SkyTest, SkyDiscardsItsTurnsAndReopensTheCallersBracket) {
    glLoadIdentity();
    gluLookAt(-60, 10, 0, 0, 10, 0, 0, 1, 0);
    const Matrix4 view = modelViewMatrix();
    scene.dayTime = 2;
    glDisable(GL_LIGHT0);  // as the day/night rule leaves it by day

    glPushMatrix();
    drawSky();
    EXPECT_EQ(modelViewDepth(), 2);
    EXPECT_EQ(modelViewMatrix(), view);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), scene.textures[8]);
    glPopMatrix();

    scene.texturingOn = 0;
    glDisable(GL_TEXTURE_2D);
    glPushMatrix();
    drawSky();
    glPopMatrix();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(modelViewDepth(), 1);
}

// Draws the dome alone, unlit so that only its texture shows, from the centre of the world
// looking up over the clouds, with the camera turned `cameraTurn` degrees about the vertical.
void drawBareSky(float dayTime, double cameraTurn) {
    scene.dayTime = dayTime;
    scene.lightingOn = 0;
    glDisable(GL_LIGHTING);
    glColor3d(1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(0, 0, 0, 1, 0.4, 0.3, 0, 1, 0);
    glRotated(-cameraTurn, 0, 1, 0);
    glPushMatrix();
    drawSky();
    glPopMatrix();
}

int largestDifference(const Rgb* a, const Rgb* b, int n) {
    int worst = 0;
    for (int i = 0; i < n; ++i)
        worst = std::max({worst, std::abs(a[i].r - b[i].r), std::abs(a[i].g - b[i].g), std::abs(a[i].b - b[i].b)});
    return worst;
}

TEST_F(SkyTest, DomeTurnsTenDegreesPerRadianCounterClockwiseFromAbove) {
    constexpr int kProbes = 49;
    Rgb before[kProbes], turned[kProbes], followed[kProbes];
    auto grab = [](Rgb* out) {
        for (int i = 0; i < kProbes; ++i) out[i] = readPixel(100 + 100 * (i % 7), 75 + 75 * (i / 7));
    };
    drawBareSky(0.5f, 0);
    grab(before);
    drawBareSky(2.0f, 0);  // 15 degrees on
    grab(turned);
    drawBareSky(2.0f, 10.0 * 2.0f - 10.0 * 0.5f);  // a camera turned with the dome
    grab(followed);

    EXPECT_GT(largestDifference(before, turned, kProbes), 20);  // the clouds have moved
    EXPECT_LE(largestDifference(before, followed, kProbes), 3);  // ... by exactly that turn
}

TEST_F(SkyTest, SkyIsBrightAtNoonAndDarkAtMidnight) {
    scene.dayTime = float(3 * kPi / 2) - 0.01f;
    displayFrame();
    const Rgb noon = readPixel(100, 590);  // sky high up to the left of the tower
    resetSceneAndGl();
    scene.dayTime = float(kPi / 2) - 0.01f;
    displayFrame();
    const Rgb midnight = readPixel(100, 590);
    // Light 1 adds red and green at noon and takes them away at midnight.
    EXPECT_GT(noon.r + noon.g, 300);
    EXPECT_LT(midnight.r + midnight.g, 20);
}

}  // namespace
