// SPDX-License-Identifier: MIT
// gl_matrix.cpp - the three matrix stacks and the calls that change their tops.
//
// Matrices are kept in single precision, column-major. The double-precision calls round their
// arguments to float first, as an implementation that stores floats does; each product is then
// formed in float. A rotation's sine and cosine are taken in double and rounded once.
#include <cmath>

#include "web/gl/gl_state.h"

void multiplyMatrix(const Matrix4& a, const Matrix4& b, Matrix4* product) {
    Matrix4 p;
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[k * 4 + row] * b.m[column * 4 + k];
            p.m[column * 4 + row] = sum;
        }
    *product = p;
}

void transformPoint(const Matrix4& a, const float in[4], float out[4]) {
    float r[4];
    for (int row = 0; row < 4; ++row)
        r[row] = a.m[row] * in[0] + a.m[4 + row] * in[1] + a.m[8 + row] * in[2] + a.m[12 + row] * in[3];
    out[0] = r[0], out[1] = r[1], out[2] = r[2], out[3] = r[3];
}

Matrix4& currentMatrix() {
    switch (glState.matrixMode) {
        case GL_PROJECTION: return glState.projection[glState.projectionDepth - 1];
        case GL_TEXTURE: return glState.texture[glState.textureDepth - 1];
        default: return glState.modelView[glState.modelViewDepth - 1];
    }
}

void modelViewChanged() {
    glState.normalMatrixValid = false;
    recordChanged(kModelViewTable);
}

namespace {

// The record holding the matrix is made anew for the next vertex (the projection record holds
// the texture matrix too).
void matrixChanged() {
    if (glState.matrixMode == GL_MODELVIEW) modelViewChanged();
    else recordChanged(kProjectionTable);
}

void multiplyCurrent(const Matrix4& m) {
    if (insideBeginEnd()) return;
    Matrix4& top = currentMatrix();
    multiplyMatrix(top, m, &top);
    matrixChanged();
}

template <typename T>
void loadFrom(const T* values, Matrix4* m) {
    for (int i = 0; i < 16; ++i) m->m[i] = float(values[i]);
}

Matrix4 rotation(float angle, float x, float y, float z) {
    Matrix4 r;
    const double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    if (length == 0) return r;  // no axis: the identity
    const double u = x / length, v = y / length, w = z / length;
    const double radians = double(angle) * M_PI / 180.0;
    const double c = std::cos(radians), s = std::sin(radians), t = 1 - c;
    const double rows[3][3] = {{u * u * t + c, u * v * t - w * s, u * w * t + v * s},
                               {v * u * t + w * s, v * v * t + c, v * w * t - u * s},
                               {w * u * t - v * s, w * v * t + u * s, w * w * t + c}};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) r.m[column * 4 + row] = float(rows[row][column]);
    return r;
}

Matrix4 translation(float x, float y, float z) {
    Matrix4 t;
    t.m[12] = x, t.m[13] = y, t.m[14] = z;
    return t;
}

Matrix4 scaling(float x, float y, float z) {
    Matrix4 s;
    s.m[0] = x, s.m[5] = y, s.m[10] = z;
    return s;
}

}  // namespace

extern "C" {

void glMatrixMode(GLenum mode) {
    if (insideBeginEnd()) return;
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION && mode != GL_TEXTURE) return setError(GL_INVALID_ENUM);
    glState.matrixMode = mode;
}

void glLoadIdentity() {
    if (insideBeginEnd()) return;
    currentMatrix() = Matrix4{};
    matrixChanged();
}

void glLoadMatrixf(const GLfloat* m) {
    if (insideBeginEnd()) return;
    loadFrom(m, &currentMatrix());
    matrixChanged();
}

void glLoadMatrixd(const GLdouble* m) {
    if (insideBeginEnd()) return;
    loadFrom(m, &currentMatrix());
    matrixChanged();
}

void glMultMatrixf(const GLfloat* m) {
    Matrix4 b;
    loadFrom(m, &b);
    multiplyCurrent(b);
}

void glMultMatrixd(const GLdouble* m) {
    Matrix4 b;
    loadFrom(m, &b);
    multiplyCurrent(b);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { multiplyCurrent(translation(x, y, z)); }
void glTranslated(GLdouble x, GLdouble y, GLdouble z) { multiplyCurrent(translation(float(x), float(y), float(z))); }
void glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) { multiplyCurrent(rotation(a, x, y, z)); }
void glRotated(GLdouble a, GLdouble x, GLdouble y, GLdouble z) {
    multiplyCurrent(rotation(float(a), float(x), float(y), float(z)));
}
void glScalef(GLfloat x, GLfloat y, GLfloat z) { multiplyCurrent(scaling(x, y, z)); }
void glScaled(GLdouble x, GLdouble y, GLdouble z) { multiplyCurrent(scaling(float(x), float(y), float(z))); }

void glFrustum(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    if (insideBeginEnd()) return;
    if (n <= 0 || f <= 0 || l == r || b == t || n == f) return setError(GL_INVALID_VALUE);
    Matrix4 m;
    m.m[0] = float(2 * n / (r - l));
    m.m[5] = float(2 * n / (t - b));
    m.m[8] = float((r + l) / (r - l));
    m.m[9] = float((t + b) / (t - b));
    m.m[10] = float(-(f + n) / (f - n));
    m.m[11] = -1;
    m.m[14] = float(-2 * f * n / (f - n));
    m.m[15] = 0;
    multiplyCurrent(m);
}

void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    if (insideBeginEnd()) return;
    if (l == r || b == t || n == f) return setError(GL_INVALID_VALUE);
    Matrix4 m;
    m.m[0] = float(2 / (r - l));
    m.m[5] = float(2 / (t - b));
    m.m[10] = float(-2 / (f - n));
    m.m[12] = float(-(r + l) / (r - l));
    m.m[13] = float(-(t + b) / (t - b));
    m.m[14] = float(-(f + n) / (f - n));
    multiplyCurrent(m);
}

void glPushMatrix() {
    if (insideBeginEnd()) return;
    int* depth = &glState.modelViewDepth;
    Matrix4* stack = glState.modelView;
    int capacity = kModelViewStackDepth;
    if (glState.matrixMode == GL_PROJECTION) depth = &glState.projectionDepth, stack = glState.projection, capacity = kProjectionStackDepth;
    if (glState.matrixMode == GL_TEXTURE) depth = &glState.textureDepth, stack = glState.texture, capacity = kTextureStackDepth;
    if (*depth >= capacity) return setError(GL_STACK_OVERFLOW);
    stack[*depth] = stack[*depth - 1];
    ++*depth;
}

void glPopMatrix() {
    if (insideBeginEnd()) return;
    int* depth = &glState.modelViewDepth;
    if (glState.matrixMode == GL_PROJECTION) depth = &glState.projectionDepth;
    if (glState.matrixMode == GL_TEXTURE) depth = &glState.textureDepth;
    if (*depth <= 1) return setError(GL_STACK_UNDERFLOW);
    --*depth;
    matrixChanged();
}

}  // extern "C"
