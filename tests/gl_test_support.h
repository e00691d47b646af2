// SPDX-License-Identifier: MIT
// gl_test_support.h - a real OpenGL context for tests, and a clean start for each test.
//
//   GlTest                test fixture: a hidden freeglut window with a Mesa context, made once
//                         per test binary (under Xvfb); before each test the scene record is back
//                         at its start values and the graphics state is the one set-up leaves
//   resetSceneAndGl       what the fixture does before each test; callable again mid-test
//   modelViewMatrix etc.  small readers of OpenGL state
//   viewMatrixAfterFrame  the camera transform of the frame just drawn (the tree's transforms undone)
//   eyeOfModelView        the camera's eye in world coordinates, from a view matrix
//   readPixel             one pixel of the back buffer as bytes
//   projectToWindow       where a world point lands in the window under the current matrices
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>

void ensureGlWindow();
void resetSceneAndGl();

class GlTest : public ::testing::Test {
protected:
    void SetUp() override { resetSceneAndGl(); }
};

using Matrix4 = std::array<double, 16>;  // column-major, as OpenGL stores it
struct Vec3 {
    double x, y, z;
};
struct Rgb {
    int r, g, b;
};

Matrix4 modelViewMatrix();
Matrix4 projectionMatrix();
int modelViewDepth();
int projectionDepth();
Matrix4 viewMatrixAfterFrame();
Vec3 eyeOfModelView(const Matrix4& m);
Vec3 viewDirectionOfModelView(const Matrix4& m);  // world direction the camera looks along
Rgb readPixel(int x, int y);
bool projectToWindow(const Matrix4& view, Vec3 world, double* winX, double* winY);

// The pixel where a world point lands after a frame (the frame's camera); {-1, -1, -1} if off screen.
Rgb pixelAtWorldPoint(Vec3 world);
// A 1 × 1 texture of one colour, linear filtering, for telling which texture a surface wears.
GLuint makeSolidTexture(unsigned char r, unsigned char g, unsigned char b);
