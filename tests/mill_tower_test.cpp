// SPDX-License-Identifier: MIT
// The mill tower with its lamp, lantern and pennant, and the sails on its hub, drawn on their own
// in front of a fixed camera; read back from the pixels, the depth buffer and the GL state.
#include <GL/glu.h>

#include <cmath>
#include <cstdlib>

#include "app/scene_state.h"
#include "scene/mill_tower.h"
#include "tests/gl_test_support.h"

namespace {

class MillTowerTest : public GlTest {
protected:
    // Looks at the tower from 40 units out on +z, level with the collar, with nothing else drawn.
    // Lighting and texturing off: every part shows its plain current colour.
    void drawUnlitTower() {
        scene.lightingOn = 0;
        scene.texturingOn = 0;
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        gluLookAt(0, 11, 40, 0, 11, 0, 0, 1, 0);
        view = modelViewMatrix();
        drawMillTower();
        glLoadIdentity();
    }

    // The colour and depth at the pixel where p lands, and the depth p itself would leave there.
    struct Probe {
        Rgb colour;
        float depth;
        double depthOfPoint;
    };
    Probe probe(Vec3 p) {
        const Matrix4 projection = projectionMatrix();
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        double x = 0, y = 0, z = 0;
        gluProject(p.x, p.y, p.z, view.data(), projection.data(), viewport, &x, &y, &z);
        Probe result{readPixel(int(x), int(y)), -1, z};
        glReadPixels(int(x), int(y), 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &result.depth);
        return result;
    }
    Rgb pixelAt(Vec3 p) { return probe(p).colour; }

    Matrix4 view{};
};

// A point on the broad part of a sail that points at `degrees` (from world +x towards +y) in the
// plane of the sails: 4 out from the hub, 0.6 to the sail's broad side (clockwise of its axis).
Vec3 onSailAt(double degrees) {
    const double a = degrees / 57.29577951;
    return {4 * std::cos(a) + 0.6 * std::sin(a), 10.5 + 4 * std::sin(a) - 0.6 * std::cos(a), 4.5};
}

bool isMagenta(Rgb c) { return c.r == 255 && c.g == 0 && c.b == 255; }

#define EXPECT_RGB(c, er, eg, eb)  \
    do {                           \
        const Rgb got_ = (c);      \
        EXPECT_NEAR(got_.r, er, 1); \
        EXPECT_NEAR(got_.g, eg, 1); \
        EXPECT_NEAR(got_.b, eb, 1); \
    } while (0)

TEST_F(MillTowerTest, UnlitPartsShowTheirColoursAndTheSailsStandAtQuarterTurns) {
    drawUnlitTower();
    EXPECT_RGB(pixelAt({2, 5, std::sqrt(12.0)}), 255, 0, 0);          // shaft, radius 4 at height 5
    EXPECT_RGB(pixelAt({-2, 10.15, std::sqrt(5.0)}), 204, 204, 204);  // collar, radius 3
    EXPECT_RGB(pixelAt({2, 11.5, std::sqrt(8.25)}), 0, 0, 0);         // gallery, radius 3.5
    EXPECT_RGB(pixelAt({-1, 16, 2.4}), 0, 0, 0);                      // roof
    EXPECT_RGB(pixelAt({0, 18.6, 0.1}), 212, 199, 28);               // pole or pennant

    // First frame: sails at 90, 180, 270 and 360 degrees, none in between; then one degree on.
    for (double at : {90.0, 180.0, 270.0, 360.0}) EXPECT_TRUE(isMagenta(pixelAt(onSailAt(at)))) << at;
    for (double at : {45.0, 135.0, 225.0, 315.0}) EXPECT_FALSE(isMagenta(pixelAt(onSailAt(at)))) << at;
    const Probe sail = probe(onSailAt(270));
    EXPECT_NEAR(sail.depth, sail.depthOfPoint, 1e-5);  // in the plane z = 4.5
    EXPECT_EQ(scene.sailAngle, 1.0f);

    // Turned by 44 more degrees and held there by a zero speed.
    scene.sailAngle = 45;
    scene.sailSpeed = 0;
    drawUnlitTower();
    drawUnlitTower();
    EXPECT_EQ(scene.sailAngle, 45.0f);
    for (double at : {45.0, 135.0, 225.0, 315.0}) EXPECT_TRUE(isMagenta(pixelAt(onSailAt(at)))) << at;
    for (double at : {90.0, 180.0, 270.0, 360.0}) EXPECT_FALSE(isMagenta(pixelAt(onSailAt(at)))) << at;
}

TEST_F(MillTowerTest, LampConeTurnsAndGlowsOnlyWhileTheBeaconIsLit) {
    drawUnlitTower();  // first frame: a night
    EXPECT_EQ(scene.lampAngle, -92.2919717f);

    // Aim the cone at the camera (angle 0 after this frame's step) with no sail in front of it.
    scene.sailSpeed = 0;
    scene.sailAngle = 45;
    scene.lampAngle = 2.2919717f;
    drawUnlitTower();
    EXPECT_EQ(scene.lampAngle, 0.0f);
    const Vec3 insideCone{0.3, 13.2, 0.9};
    EXPECT_RGB(pixelAt(insideCone), 255, 255, 255);

    scene.beaconLit = 0;
    drawUnlitTower();
    EXPECT_EQ(scene.lampAngle, 0.0f);
    EXPECT_RGB(pixelAt(insideCone), 0, 0, 0);

    // The lantern glass adds its grey onto the blue background and writes no depth.
    const Probe glass = probe({2.5, 14, 4});
    EXPECT_GE(glass.colour.r, 150);
    EXPECT_EQ(glass.colour.b, 255);
    EXPECT_EQ(glass.depth, 1.0f);
}

TEST_F(MillTowerTest, PennantTakesOneRandomStepPerFrameWhileFluttering) {
    srand(2024);
    const int step = rand() % 9 - 4;
    srand(2024);
    scene.vaneAngle = 10;
    drawUnlitTower();
    EXPECT_EQ(scene.vaneAngle, 10 + step);

    scene.vaneFlutter = 0;
    drawUnlitTower();
    drawUnlitTower();
    EXPECT_EQ(scene.vaneAngle, 10 + step);
}

TEST_F(MillTowerTest, LeavesTheSailsStateAndTheHubOnTheMatrix) {
    scene.sailAngle = 30;
    glLoadIdentity();
    drawMillTower();

    // Four quarter turns bring the matrix back to the hub at (0, 10.5, 4.5), turned by sailAngle.
    const Matrix4 m = modelViewMatrix();
    const double a = 30 / 57.29577951;
    EXPECT_NEAR(m[0], std::cos(a), 1e-6);
    EXPECT_NEAR(m[1], std::sin(a), 1e-6);
    EXPECT_NEAR(m[10], 1, 1e-6);
    EXPECT_NEAR(m[12], 0, 1e-5);
    EXPECT_NEAR(m[13], 10.5, 1e-5);
    EXPECT_NEAR(m[14], 4.5, 1e-5);
    EXPECT_EQ(modelViewDepth(), 1);
    EXPECT_EQ(scene.sailAngle, 31.0f);

    GLfloat v[4];
    for (GLenum what : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR}) {
        glGetMaterialfv(GL_BACK, what, v);
        for (float x : v) EXPECT_EQ(x, 1.0f);
    }
    glGetFloatv(GL_CURRENT_COLOR, v);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], colourMagenta[i]);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), scene.textures[7]);
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));

    // Switched off by the user, lighting and texturing stay off.
    drawUnlitTower();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
