// SPDX-License-Identifier: MIT
// The balloon: drawn unlit in grey modulated by its textures, hanging over (50, 50, 0).
#include <GL/freeglut.h>

#include <cstdlib>

#include "app/scene_state.h"
#include "scene/balloon.h"
#include "tests/gl_test_support.h"
#include "view/frame.h"
#include "view/keyboard.h"

namespace {

using BalloonTest = GlTest;

TEST_F(BalloonTest, RestoresTheMatrixAndHandsOnLightingTexturingAndItsLook) {
    for (int lighting : {1, 0})
        for (int texturing : {1, 0})
            for (bool textureWasOn : {true, false}) {
                SCOPED_TRACE(testing::Message() << "lightingOn " << lighting << ", texturingOn " << texturing
                                                << ", texturing was on " << textureWasOn);
                scene.lightingOn = lighting;
                scene.texturingOn = texturing;
                glEnable(GL_LIGHTING);
                if (textureWasOn) glEnable(GL_TEXTURE_2D);
                else glDisable(GL_TEXTURE_2D);
                glLoadIdentity();
                glTranslated(50, 50, 0);
                const Matrix4 before = modelViewMatrix();

                drawBalloon();
                EXPECT_EQ(modelViewMatrix(), before);
                EXPECT_EQ(modelViewDepth(), 1);
                EXPECT_EQ(bool(glIsEnabled(GL_LIGHTING)), lighting == 1);
                EXPECT_EQ(bool(glIsEnabled(GL_TEXTURE_2D)), texturing == 1 || textureWasOn);
                GLint bound = 0;
                glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
                EXPECT_EQ(GLuint(bound), scene.textures[kTexBalloon]);
                for (GLenum which : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR}) {
                    GLfloat v[4];
                    glGetMaterialfv(GL_BACK, which, v);
                    for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], colourMagenta[i]) << which;
                }
                GLfloat colour[4];
                glGetFloatv(GL_CURRENT_COLOR, colour);
                for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(colour[i], 0.8f);
            }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Camera 4 at (50, 50, 0), turned up through the envelope's centre (45, 79, -10) to (0, 340, -100).
class BalloonFromBelow : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        scene.cameraMode = 4;
        scene.dragPitch = 3400;
        scene.dragYaw = -1000;
    }
    static void expectPixel(Vec3 world, Rgb want, const char* what) {
        const Rgb got = pixelAtWorldPoint(world);
        EXPECT_LE(std::abs(got.r - want.r), 2) << what << ": red " << got.r;
        EXPECT_LE(std::abs(got.g - want.g), 2) << what << ": green " << got.g;
        EXPECT_LE(std::abs(got.b - want.b), 2) << what << ": blue " << got.b;
    }
};

constexpr Vec3 kEnvelopeCentre = {45, 79, -10};
constexpr Vec3 kFloor = {45, 67, -9.5};        // beside the pinhole
// The first two ropes between rim and envelope; the other two hide behind the basket from here.
constexpr Vec3 kRope1 = {47.825, 71, -9.925};
constexpr Vec3 kRope2 = {45.065, 71, -7.305};
// Across the picture from the envelope's centre: (2, 0, -1)/sqrt(5) is the camera's right.
Vec3 acrossEnvelope(double d) { return {45 + d * 0.894427191, 79, -10 - d * 0.447213595}; }

TEST_F(BalloonFromBelow, ShowsPlainGreyWithoutTexturesEvenWithLightingOn) {
    onKey('t', 0, 0);
    displayFrame();
    const Rgb grey = {204, 204, 204};
    expectPixel(kEnvelopeCentre, grey, "envelope");
    expectPixel(kFloor, grey, "basket floor");
    expectPixel(kRope1, grey, "rope 1");
    expectPixel(kRope2, grey, "rope 2");

    // Unlit, the sky behind shows the moon's white: the envelope's edge is where radius 7 puts it.
    onKey('l', 0, 0);
    displayFrame();
    for (double side : {-1.0, 1.0}) {
        expectPixel(acrossEnvelope(side * 6.3), grey, "inside the envelope's edge");
        expectPixel(acrossEnvelope(side * 7.6), {255, 255, 255}, "outside the envelope's edge");
    }
}

TEST_F(BalloonFromBelow, BasketAndRopesWearTheWoodAndTheEnvelopeItsOwnTexture) {
    glDeleteTextures(1, &scene.textures[kTexWood]);
    scene.textures[kTexWood] = makeSolidTexture(255, 128, 0);
    glDeleteTextures(1, &scene.textures[kTexBalloon]);
    scene.textures[kTexBalloon] = makeSolidTexture(0, 255, 128);
    displayFrame();
    expectPixel(kEnvelopeCentre, {0, 204, 102}, "envelope");
    expectPixel(kFloor, {204, 102, 0}, "basket floor");
    expectPixel(kRope1, {204, 102, 0}, "rope 1");
    expectPixel(kRope2, {204, 102, 0}, "rope 2");
}

}  // namespace
