// SPDX-License-Identifier: MIT
// gl_primitives.cpp - glBegin/glEnd, the current values, and primitive assembly.
//
// Each glVertex is transformed and lit at once, with the state current then, and the primitive
// is cut into points, lines and triangles in submission order:
//   strips    triangle i is (i, i+1, i+2), its first two swapped when i is odd so that every
//             triangle keeps the strip's orientation
//   fans      (0, i+1, i+2)
//   quads     (0, 1, 2) and (0, 2, 3) of each quad; a quad strip's quad i is (2i, 2i+1, 2i+3, 2i+2)
//   polygon   a fan around its first vertex
// With flat shading every vertex of a piece takes the colours of the vertex OpenGL names for it:
// the last vertex of each line, triangle or quad (so 2i+3 of a quad strip), the first vertex of
// a polygon, and the first vertex for the closing segment of a line loop. Vertices left over at
// glEnd (two of a triangle, three of a quad) are dropped, as OpenGL drops them.
#include <cmath>

#include "web/gl/gl_state.h"

namespace {

struct Assembly {
    int count = 0;               // vertices since glBegin
    AssembledVertex first;       // vertex 0
    AssembledVertex recent[3];   // recent[0] the previous vertex, [1] the one before, [2] before that
};
Assembly assembly;

// A full batch is drawn, and the vertices the primitive still refers to go into the new one.
void makeRoom() {
    if (batchHasRoom()) return;
    flushBatch();
    Assembly& a = assembly;
    if (a.count > 0) a.first.index = appendVertex(a.first.v);
    for (int k = 0; k < 3 && k < a.count; ++k) a.recent[k].index = appendVertex(a.recent[k].v);
}

float clamp01(float x) {
    return x < 0 ? 0 : x > 1 ? 1 : x;
}

void updateNormalMatrix() {
    if (glState.normalMatrixValid) return;
    const float* m = glState.modelView[glState.modelViewDepth - 1].m;
    // a = upper 3 x 3 (row r, column c at m[c * 4 + r]); the normal matrix is its inverse transposed.
    const float a00 = m[0], a01 = m[4], a02 = m[8];
    const float a10 = m[1], a11 = m[5], a12 = m[9];
    const float a20 = m[2], a21 = m[6], a22 = m[10];
    const float c00 = a11 * a22 - a12 * a21, c01 = a12 * a20 - a10 * a22, c02 = a10 * a21 - a11 * a20;
    const float c10 = a02 * a21 - a01 * a22, c11 = a00 * a22 - a02 * a20, c12 = a01 * a20 - a00 * a21;
    const float c20 = a01 * a12 - a02 * a11, c21 = a02 * a10 - a00 * a12, c22 = a00 * a11 - a01 * a10;
    const float det = a00 * c00 + a01 * c01 + a02 * c02;
    const float s = det != 0 ? 1 / det : 0;
    // (A^-1)^T has the cofactors at their own places: entry (r, c) = c_rc / det.
    float* n = glState.normalMatrix;
    n[0] = c00 * s, n[3] = c01 * s, n[6] = c02 * s;
    n[1] = c10 * s, n[4] = c11 * s, n[7] = c12 * s;
    n[2] = c20 * s, n[5] = c21 * s, n[8] = c22 * s;
    glState.normalMatrixValid = true;
}

void addVertex(float x, float y, float z, float w) {
    if (!glState.inBeginEnd) return;  // outside glBegin/glEnd a vertex has no effect
    const float object[4] = {x, y, z, w};
    AssembledVertex v;
    transformVertex(object, &v.v);
    makeRoom();
    v.index = appendVertex(v.v);

    Assembly& a = assembly;
    const int i = a.count;  // this vertex's index in the primitive
    const AssembledVertex& p0 = a.recent[0];
    const AssembledVertex& p1 = a.recent[1];
    const AssembledVertex& p2 = a.recent[2];
    switch (glState.primitiveMode) {
        case GL_POINTS: emitPoint(v); break;
        case GL_LINES: if (i % 2 == 1) emitLine(p0, v, v); break;
        case GL_LINE_STRIP:
        case GL_LINE_LOOP: if (i >= 1) emitLine(p0, v, v); break;
        case GL_TRIANGLES: if (i % 3 == 2) emitTriangle(p1, p0, v, v); break;
        case GL_TRIANGLE_STRIP:
            if (i >= 2) {
                if (i % 2 == 0) emitTriangle(p1, p0, v, v);
                else emitTriangle(p0, p1, v, v);
            }
            break;
        case GL_TRIANGLE_FAN: if (i >= 2) emitTriangle(a.first, p0, v, v); break;
        case GL_QUADS:
            if (i % 4 == 3) {
                emitTriangle(p2, p1, p0, v);
                emitTriangle(p2, p0, v, v);
            }
            break;
        case GL_QUAD_STRIP:
            if (i >= 3 && i % 2 == 1) {  // quad (i-3, i-2, i, i-1)
                emitTriangle(p2, p1, v, v);
                emitTriangle(p2, v, p0, v);
            }
            break;
        case GL_POLYGON: if (i >= 2) emitTriangle(a.first, p0, v, a.first); break;
        default: break;
    }
    if (i == 0) a.first = v;
    a.recent[2] = a.recent[1];
    a.recent[1] = a.recent[0];
    a.recent[0] = v;
    a.count = i + 1;
}

void setColour(float r, float g, float b, float a) {
    glState.currentColour[0] = r, glState.currentColour[1] = g;
    glState.currentColour[2] = b, glState.currentColour[3] = a;
}

void setTexCoord(float s, float t, float r, float q) {
    glState.currentTexCoord[0] = s, glState.currentTexCoord[1] = t;
    glState.currentTexCoord[2] = r, glState.currentTexCoord[3] = q;
}

void setNormal(float x, float y, float z) {
    glState.currentNormal[0] = x, glState.currentNormal[1] = y, glState.currentNormal[2] = z;
}

}  // namespace

void transformVertex(const float objectPosition[4], LayerVertex* out) {
    float eye[4];
    transformPoint(glState.modelView[glState.modelViewDepth - 1], objectPosition, eye);
    transformPoint(glState.projection[glState.projectionDepth - 1], eye, out->clip);
    transformPoint(glState.texture[glState.textureDepth - 1], glState.currentTexCoord, out->tex);

    if (!glState.lighting) {
        for (int k = 0; k < 4; ++k) out->front[k] = out->back[k] = clamp01(glState.currentColour[k]);
        return;
    }
    updateNormalMatrix();
    const float* n = glState.normalMatrix;
    const float* c = glState.currentNormal;
    float normal[3] = {n[0] * c[0] + n[3] * c[1] + n[6] * c[2], n[1] * c[0] + n[4] * c[1] + n[7] * c[2],
                       n[2] * c[0] + n[5] * c[1] + n[8] * c[2]};
    if (glState.normalize) {
        const float length = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
        if (length > 0) normal[0] /= length, normal[1] /= length, normal[2] /= length;
    }
    lightVertex(eye, normal, out->front, glState.twoSided ? out->back : nullptr);
    if (!glState.twoSided)
        for (int k = 0; k < 4; ++k) out->back[k] = out->front[k];
}

extern "C" {

void glBegin(GLenum mode) {
    if (glState.inBeginEnd) return setError(GL_INVALID_OPERATION);
    if (mode > GL_POLYGON) return setError(GL_INVALID_ENUM);
    startContext();
    glState.inBeginEnd = true;
    glState.primitiveMode = mode;
    assembly.count = 0;
}

void glEnd() {
    if (!glState.inBeginEnd) return setError(GL_INVALID_OPERATION);
    if (glState.primitiveMode == GL_LINE_LOOP && assembly.count >= 2) {
        makeRoom();
        emitLine(assembly.recent[0], assembly.first, assembly.first);
    }
    glState.inBeginEnd = false;
}

void glVertex2f(GLfloat x, GLfloat y) { addVertex(x, y, 0, 1); }
void glVertex2d(GLdouble x, GLdouble y) { addVertex(float(x), float(y), 0, 1); }
void glVertex2i(GLint x, GLint y) { addVertex(float(x), float(y), 0, 1); }
void glVertex2fv(const GLfloat* v) { addVertex(v[0], v[1], 0, 1); }
void glVertex2dv(const GLdouble* v) { addVertex(float(v[0]), float(v[1]), 0, 1); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { addVertex(x, y, z, 1); }
void glVertex3d(GLdouble x, GLdouble y, GLdouble z) { addVertex(float(x), float(y), float(z), 1); }
void glVertex3i(GLint x, GLint y, GLint z) { addVertex(float(x), float(y), float(z), 1); }
void glVertex3fv(const GLfloat* v) { addVertex(v[0], v[1], v[2], 1); }
void glVertex3dv(const GLdouble* v) { addVertex(float(v[0]), float(v[1]), float(v[2]), 1); }
void glVertex4f(GLfloat x, GLfloat y, GLfloat z, GLfloat w) { addVertex(x, y, z, w); }
void glVertex4d(GLdouble x, GLdouble y, GLdouble z, GLdouble w) { addVertex(float(x), float(y), float(z), float(w)); }
void glVertex4fv(const GLfloat* v) { addVertex(v[0], v[1], v[2], v[3]); }

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) { setNormal(x, y, z); }
void glNormal3d(GLdouble x, GLdouble y, GLdouble z) { setNormal(float(x), float(y), float(z)); }
void glNormal3fv(const GLfloat* v) { setNormal(v[0], v[1], v[2]); }
void glNormal3dv(const GLdouble* v) { setNormal(float(v[0]), float(v[1]), float(v[2])); }

void glColor3f(GLfloat r, GLfloat g, GLfloat b) { setColour(r, g, b, 1); }
void glColor3d(GLdouble r, GLdouble g, GLdouble b) { setColour(float(r), float(g), float(b), 1); }
void glColor3fv(const GLfloat* v) { setColour(v[0], v[1], v[2], 1); }
void glColor3dv(const GLdouble* v) { setColour(float(v[0]), float(v[1]), float(v[2]), 1); }
void glColor3ub(GLubyte r, GLubyte g, GLubyte b) { setColour(r / 255.0f, g / 255.0f, b / 255.0f, 1); }
void glColor3ubv(const GLubyte* v) { glColor3ub(v[0], v[1], v[2]); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { setColour(r, g, b, a); }
void glColor4d(GLdouble r, GLdouble g, GLdouble b, GLdouble a) { setColour(float(r), float(g), float(b), float(a)); }
void glColor4fv(const GLfloat* v) { setColour(v[0], v[1], v[2], v[3]); }
void glColor4dv(const GLdouble* v) { setColour(float(v[0]), float(v[1]), float(v[2]), float(v[3])); }
void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) {
    setColour(r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f);
}
void glColor4ubv(const GLubyte* v) { glColor4ub(v[0], v[1], v[2], v[3]); }

void glTexCoord1f(GLfloat s) { setTexCoord(s, 0, 0, 1); }
void glTexCoord1d(GLdouble s) { setTexCoord(float(s), 0, 0, 1); }
void glTexCoord2f(GLfloat s, GLfloat t) { setTexCoord(s, t, 0, 1); }
void glTexCoord2d(GLdouble s, GLdouble t) { setTexCoord(float(s), float(t), 0, 1); }
void glTexCoord2fv(const GLfloat* v) { setTexCoord(v[0], v[1], 0, 1); }
void glTexCoord2dv(const GLdouble* v) { setTexCoord(float(v[0]), float(v[1]), 0, 1); }
void glTexCoord3f(GLfloat s, GLfloat t, GLfloat r) { setTexCoord(s, t, r, 1); }
void glTexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q) { setTexCoord(s, t, r, q); }

}  // extern "C"
