// SPDX-License-Identifier: MIT
// gl_test_support.cpp - the hidden test window and the per-test reset.
#include "tests/gl_test_support.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include "app/leak_check.h"
#include "app/render_setup.h"
#include "app/scene_state.h"

namespace {

int window = 0;

void noDisplay() {}

}  // namespace

void ensureGlWindow() {
    if (window) return;
    int argc = 1;
    char name[] = "talvenor-tests";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutInitWindowPosition(100, 100);
    window = glutCreateWindow("Talvenor tests");
    glutDisplayFunc(noDisplay);
    glutHideWindow();
    keepLibrariesLoaded();
}

void resetSceneAndGl() {
    ensureGlWindow();
    // Release what the previous test's set-up made, so that nothing accumulates.
    if (scene.quadric) gluDeleteQuadric(scene.quadric);
    glDeleteTextures(12, scene.textures);
    scene = SceneState{};

    // Undo what a test or an unfinished frame may have left.
    while (modelViewDepth() > 1) glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    while (projectionDepth() > 1) glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_1D);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindTexture(GL_TEXTURE_1D, 0);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, colourBlack);
    glColor4d(1, 1, 1, 1);
    glViewport(0, 0, scene.windowWidth, scene.windowHeight);
    while (glGetError() != GL_NO_ERROR) {
    }

    setUpRenderState();
}

Matrix4 modelViewMatrix() {
    Matrix4 m;
    glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

Matrix4 projectionMatrix() {
    Matrix4 m;
    glGetDoublev(GL_PROJECTION_MATRIX, m.data());
    return m;
}

int modelViewDepth() {
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    return depth;
}

int projectionDepth() {
    GLint depth = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    return depth;
}

// The tree, drawn last, leaves Rx(-90)·T(-7, -7, 5) on the matrix; undo it to get the camera.
Matrix4 viewMatrixAfterFrame() {
    glPushMatrix();
    glTranslated(7, 7, -5);
    glRotated(90, 1, 0, 0);
    const Matrix4 view = modelViewMatrix();
    glPopMatrix();
    return view;
}

// A view matrix is R·T(-eye); the eye is -Rᵀ·t.
Vec3 eyeOfModelView(const Matrix4& m) {
    const double tx = m[12], ty = m[13], tz = m[14];
    return {-(m[0] * tx + m[1] * ty + m[2] * tz), -(m[4] * tx + m[5] * ty + m[6] * tz),
            -(m[8] * tx + m[9] * ty + m[10] * tz)};
}

// The camera looks along its -z axis; in world terms that is minus the third row of R.
Vec3 viewDirectionOfModelView(const Matrix4& m) { return {-m[2], -m[6], -m[10]}; }

Rgb readPixel(int x, int y) {
    unsigned char p[4] = {0, 0, 0, 0};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
}

bool projectToWindow(const Matrix4& view, Vec3 world, double* winX, double* winY) {
    const Matrix4 projection = projectionMatrix();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    double winZ = 0;
    if (gluProject(world.x, world.y, world.z, view.data(), projection.data(), viewport, winX, winY, &winZ) !=
        GL_TRUE)
        return false;
    return winZ > 0 && winZ < 1;
}

Rgb pixelAtWorldPoint(Vec3 world) {
    double x = 0, y = 0;
    if (!projectToWindow(viewMatrixAfterFrame(), world, &x, &y)) return {-1, -1, -1};
    return readPixel(int(x), int(y));
}

GLuint makeSolidTexture(unsigned char r, unsigned char g, unsigned char b) {
    const unsigned char texel[3] = {r, g, b};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, texel);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return name;
}
