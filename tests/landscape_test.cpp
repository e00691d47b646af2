// SPDX-License-Identifier: MIT
// Ground, round building, square tower and tree: what each hands on, and where each shows.
#include <GL/freeglut.h>

#include <cmath>
#include <cstdlib>

#include "app/scene_state.h"
#include "scene/landscape.h"
#include "tests/gl_test_support.h"
#include "view/frame.h"
#include "view/keyboard.h"

namespace {

using LandscapeTest = GlTest;

void expectMaterial(const ColourRGBA colour, const char* what) {
    for (GLenum face : {GL_FRONT, GL_BACK})
        for (GLenum which : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR}) {
            GLfloat v[4];
            glGetMaterialfv(face, which, v);
            for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], colour[i]) << what << " " << which << " " << i;
        }
}

void expectColour(float r, float g, float b, float a, const char* what) {
    GLfloat v[4];
    glGetFloatv(GL_CURRENT_COLOR, v);
    EXPECT_FLOAT_EQ(v[0], r) << what;
    EXPECT_FLOAT_EQ(v[1], g) << what;
    EXPECT_FLOAT_EQ(v[2], b) << what;
    EXPECT_FLOAT_EQ(v[3], a) << what;
}

GLuint boundTexture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return GLuint(name);
}

// The walls' and tiers' shifts are summed in single precision by OpenGL.
void expectSameMatrix(const Matrix4& got, const Matrix4& want) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(got[i], want[i], 1e-5 * (1 + std::fabs(want[i]))) << i;
}

void placeSomewhere() {
    glLoadIdentity();
    glTranslated(4, -3, -70);
    glRotated(33, 0.2, 1, 0.1);
}

TEST_F(LandscapeTest, SquareTowerReturnsItsMatrixAndAlwaysEndsUntextured) {
    for (int texturing : {1, 0}) {
        scene.texturingOn = texturing;
        glEnable(GL_TEXTURE_2D);
        glColor4d(0.3, 0.6, 0.9, 0.5);
        placeSomewhere();
        const Matrix4 before = modelViewMatrix();
        drawSquareTower();
        expectSameMatrix(modelViewMatrix(), before);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << texturing;
        EXPECT_EQ(boundTexture(), scene.textures[kTexSquareTower]);
        expectMaterial(colourWhite, "square tower");
        expectColour(0.3f, 0.6f, 0.9f, 0.5f, "square tower");  // sets no colour of its own
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(LandscapeTest, GroundAndRoundBuildingKeepMatrixAndTexturingAndHandOnTheirLook) {
    for (bool texturing : {true, false}) {
        if (texturing) glEnable(GL_TEXTURE_2D);
        else glDisable(GL_TEXTURE_2D);
        placeSomewhere();
        const Matrix4 before = modelViewMatrix();

        drawGround();
        EXPECT_EQ(modelViewMatrix(), before);
        EXPECT_EQ(bool(glIsEnabled(GL_TEXTURE_2D)), texturing);
        EXPECT_EQ(boundTexture(), scene.textures[kTexGround]);
        expectMaterial(colourGreen, "ground");
        expectColour(0.06f, 0.9f, 0.04f, 1, "ground");

        drawRoundBuilding();
        EXPECT_EQ(modelViewMatrix(), before);
        EXPECT_EQ(bool(glIsEnabled(GL_TEXTURE_2D)), texturing);
        EXPECT_EQ(boundTexture(), scene.textures[kTexRoundBuilding]);
        expectMaterial(colourRose, "round building");
        expectColour(1, 1, 1, 1, "round building");
    }
    EXPECT_EQ(modelViewDepth(), 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(LandscapeTest, TreeLeavesItsTransformsAndWearsWhateverIsBound) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, scene.textures[kTexSail]);
    placeSomewhere();
    glRotated(-90, 1, 0, 0);
    glTranslated(-7, -7, 5);
    const Matrix4 expected = modelViewMatrix();
    placeSomewhere();
    drawTree();
    expectSameMatrix(modelViewMatrix(), expected);
    EXPECT_EQ(modelViewDepth(), 1);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(boundTexture(), scene.textures[kTexSail]);
    expectMaterial(colourGreen, "tree");
    expectColour(1, 0, 0, 1, "tree");
}

// A world point seen from one camera, with its colour unlit and untextured, and unlit but
// wearing the single-colour textures of texturedRun below.
struct Probe {
    const char* what;
    int mode;
    float dragPitch, dragYaw;  // camera 4 looks at (0, dragPitch / 10, dragYaw / 10)
    Vec3 point;
    Rgb plain, textured;
};

const Probe kProbes[] = {
    {"round building roof", 4, 200, -400, {3, 20, -40}, {255, 255, 255}, {64, 128, 192}},
    {"round building wall", 4, 200, -400, {7.8, 15, -33.76}, {255, 255, 255}, {64, 128, 192}},
    {"ground", 4, 0, -200, {0, 0, -20}, {15, 230, 10}, {15, 115, 10}},
    // The square tower takes the balloon's grey as its unlit colour.
    {"square tower corner", 4, 200, 345, {9, 20, 30}, {204, 204, 204}, {204, 102, 0}},
    {"square tower wall x = 9", 4, 200, 345, {9, 20, 31.5}, {204, 204, 204}, {204, 102, 0}},
    {"square tower wall z = 30", 4, 200, 345, {7.5, 20, 30}, {204, 204, 204}, {204, 102, 0}},
    {"square tower near the top", 4, 200, 345, {8.5, 38, 30}, {204, 204, 204}, {204, 102, 0}},
    {"tree trunk", 1, 0, 0, {-7, 0.3, 7}, {128, 64, 0}, {64, 64, 0}},
    {"tree lower tier", 1, 0, 0, {-7, 2, 7}, {255, 0, 0}, {128, 0, 0}},
    {"tree top tier", 1, 0, 0, {-7, 5.8, 7}, {255, 0, 0}, {128, 0, 0}},
};

void replaceTexture(int index, unsigned char r, unsigned char g, unsigned char b) {
    glDeleteTextures(1, &scene.textures[index]);
    scene.textures[index] = makeSolidTexture(r, g, b);
}

void checkProbes(bool textured) {
    for (const Probe& probe : kProbes) {
        scene.cameraMode = probe.mode;
        scene.dragPitch = probe.dragPitch;
        scene.dragYaw = probe.dragYaw;
        displayFrame();
        const Rgb want = textured ? probe.textured : probe.plain;
        const Rgb got = pixelAtWorldPoint(probe.point);
        EXPECT_LE(std::abs(got.r - want.r), 2) << probe.what << ": red " << got.r;
        EXPECT_LE(std::abs(got.g - want.g), 2) << probe.what << ": green " << got.g;
        EXPECT_LE(std::abs(got.b - want.b), 2) << probe.what << ": blue " << got.b;
    }
}

TEST_F(LandscapeTest, UntexturedPiecesShowTheirPlainUnlitColoursWhereTheyStand) {
    onKey('l', 0, 0);
    onKey('t', 0, 0);
    checkProbes(false);
}

// Each piece wears its own texture; the tree wears the sails'.
TEST_F(LandscapeTest, TexturedPiecesWearTheirTexturesWhereTheyStand) {
    replaceTexture(kTexRoundBuilding, 64, 128, 192);
    replaceTexture(kTexGround, 255, 128, 255);
    replaceTexture(kTexSquareTower, 255, 128, 0);
    replaceTexture(kTexSail, 128, 255, 255);
    onKey('l', 0, 0);
    checkProbes(true);
}

}  // namespace
