// SPDX-License-Identifier: MIT
// The graphics state every frame starts from, read back from OpenGL after the set-up.
#include <GL/glu.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>

#include "app/render_setup.h"
#include "app/scene_state.h"
#include "tests/gl_test_support.h"
#include "view/frame.h"

namespace {

using RenderSetupTest = GlTest;

void expectValues(const GLfloat* got, std::initializer_list<float> expected, const char* what) {
    int i = 0;
    for (float e : expected) {
        EXPECT_FLOAT_EQ(got[i], e) << what << " " << i;
        ++i;
    }
}

void expectLight(GLenum light, GLenum what, std::initializer_list<float> expected) {
    GLfloat v[4] = {-9, -9, -9, -9};
    glGetLightfv(light, what, v);
    expectValues(v, expected, light == GL_LIGHT0 ? "light 0" : "light 1");
}

// Releases what the fixture's set-up made and runs the set-up again over a scrambled state, so
// that what is read back afterwards is the set-up's doing and not a default or a leftover.
void rerunSetUpOverScrambledState() {
    gluDeleteQuadric(scene.quadric);
    glDeleteTextures(12, scene.textures);
    scene = SceneState{};
    glMatrixMode(GL_PROJECTION);
    glOrtho(-1, 1, -1, 1, -1, 1);
    glShadeModel(GL_FLAT);
    glBlendFunc(GL_SRC_ALPHA, GL_ZERO);
    glClearColor(1, 0, 0, 0);
    for (GLenum cap : {GL_DEPTH_TEST, GL_NORMALIZE, GL_LIGHTING, GL_LIGHT0, GL_LIGHT1}) glDisable(cap);
    glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 0);
    const GLfloat junk[4] = {0.5f, 0.25f, 0.125f, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, junk);
    glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 180);
    glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 0);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, junk);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, junk);
    glMatrixMode(GL_TEXTURE);
    setUpRenderState();
}

TEST_F(RenderSetupTest, LeavesProjectionBlendingLightsAndTheRedStartMaterial) {
    rerunSetUpOverScrambledState();

    const Matrix4 p = projectionMatrix();  // 30 degrees, aspect 1.3, near 1, far 200
    const double f = 1 / std::tan(15 / 57.29577951);
    EXPECT_NEAR(p[0], f / 1.3, 1e-6);
    EXPECT_NEAR(p[5], f, 1e-6);
    EXPECT_NEAR(p[10], -201.0 / 199.0, 1e-6);
    EXPECT_NEAR(p[14], -400.0 / 199.0, 1e-6);
    GLint value = 0;
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_SMOOTH);
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_ONE);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE);
    for (GLenum cap : {GL_DEPTH_TEST, GL_NORMALIZE, GL_LIGHTING, GL_LIGHT0, GL_LIGHT1}) EXPECT_TRUE(glIsEnabled(cap));
    for (GLenum cap : {GL_BLEND, GL_TEXTURE_2D, GL_CULL_FACE, GL_COLOR_MATERIAL}) EXPECT_FALSE(glIsEnabled(cap));
    EXPECT_NE(scene.quadric, nullptr);

    GLfloat v[4];
    glGetFloatv(GL_LIGHT_MODEL_TWO_SIDE, v);
    EXPECT_EQ(v[0], 1.0f);
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, v);
    expectValues(v, {0, 0, 0, 0}, "light model ambient");

    // Given under the identity, the positions and the spot direction hold as eye coordinates.
    expectLight(GL_LIGHT0, GL_AMBIENT, {0.2f, 0.2f, 0.2f, 0});
    expectLight(GL_LIGHT0, GL_DIFFUSE, {1, 1, 1, 1});
    expectLight(GL_LIGHT0, GL_SPECULAR, {1, 1, 1, 1});
    expectLight(GL_LIGHT0, GL_POSITION, {0, 13, 0, 1});
    expectLight(GL_LIGHT0, GL_SPOT_DIRECTION, {0, 0, -1});
    expectLight(GL_LIGHT0, GL_SPOT_CUTOFF, {65});
    expectLight(GL_LIGHT0, GL_SPOT_EXPONENT, {50});
    expectLight(GL_LIGHT1, GL_AMBIENT, {0.2f, 0.2f, 0.2f, 0});
    expectLight(GL_LIGHT1, GL_DIFFUSE, {0.7f, 0.7f, 0, 0});
    expectLight(GL_LIGHT1, GL_SPECULAR, {0.7f, 0.7f, 0, 0});
    expectLight(GL_LIGHT1, GL_POSITION, {0, 50, 0, 1});
    expectLight(GL_LIGHT1, GL_SPOT_CUTOFF, {180});  // a plain positional light

    for (GLenum face : {GL_FRONT, GL_BACK}) {
        for (GLenum what : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR}) {
            glGetMaterialfv(face, what, v);
            expectValues(v, {1, 0, 0, 1}, "material");
        }
    }
    for (int i = 0; i < 12; ++i) {
        EXPECT_TRUE(glIsTexture(scene.textures[i])) << "texture " << i;
        for (int j = 0; j < i; ++j) EXPECT_NE(scene.textures[i], scene.textures[j]);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    // With nothing drawn a frame is pure blue.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const Rgb pixel = readPixel(400, 300);
    EXPECT_EQ(pixel.r, 0);
    EXPECT_EQ(pixel.g, 0);
    EXPECT_EQ(pixel.b, 255);
}

TEST_F(RenderSetupTest, WithoutTextureFilesTheSceneIsStillDrawnUntextured) {
    char emptyDir[] = "/tmp/talvenor-no-textures-XXXXXX";
    ASSERT_NE(mkdtemp(emptyDir), nullptr);
    char* here = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(emptyDir), 0);
    rerunSetUpOverScrambledState();
    ASSERT_EQ(chdir(here), 0);
    free(here);
    rmdir(emptyDir);

    for (int i = 0; i < 12; ++i) EXPECT_EQ(scene.textures[i], 0u) << "texture " << i;
    displayFrame();
    displayFrame();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
}

}  // namespace
