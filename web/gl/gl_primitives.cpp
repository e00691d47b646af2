// SPDX-License-Identifier: MIT
// gl_primitives.cpp - glBegin/glEnd, the current values, and primitive assembly.
//
// Each glVertex is kept as the program gave it, in object coordinates with the current normal,
// colour and texture coordinates, and names the state records current then (gl_records.cpp);
// the vertex shader transforms and lights it. The primitive is cut into points, lines and
// triangles in submission order:
//   strips    triangle i is (i, i+1, i+2), its first two swapped when i is odd so that every
//             triangle keeps the strip's orientation
//   fans      (0, i+1, i+2)
//   quads     (0, 1, 2) and (0, 2, 3) of each quad ((0, 1, 3) and (1, 2, 3) when shaded flat, so
//             that both hold the vertex whose colours they take); a quad strip's quad i is
//             (2i, 2i+1, 2i+3, 2i+2)
//   polygon   a fan around its first vertex
// With flat shading every vertex of a piece takes the colours of the vertex OpenGL names for it:
// the last vertex of each line, triangle or quad (so 2i+3 of a quad strip), the first vertex of
// a polygon, and the first vertex for the closing segment of a line loop (gl_batch.cpp puts it
// where the rasteriser takes flat colours from). Vertices left over at
// glEnd (two of a triangle, three of a quad) are dropped, as OpenGL drops them.
#include <cstring>

#include "web/gl/gl_state.h"

namespace {

struct Assembly {
    int count = 0;               // vertices since glBegin
    AssembledVertex first;       // vertex 0
    AssembledVertex ring[4];     // the last vertices: vertex i at ring[i % 4]
    AssembledVertex& back(int k) { return ring[(count - 1 - k) & 3]; }  // 0: the latest vertex
};
Assembly assembly;

// A full batch is drawn, and the vertices the primitive still refers to go into the new one
// (with copies of their records, when the record tables started again too).
void makeRoom() {
    if (batchHasRoom()) return;
    const bool restarted = flushBatch();
    Assembly& a = assembly;
    BatchVertex* kept[4];
    int count = 0;
    if (a.count > 0) kept[count++] = &a.first.v;
    for (int k = 0; k < 3 && k < a.count; ++k) kept[count++] = &a.back(k).v;
    if (restarted) carryRecords(kept, count);
    if (a.count > 0) a.first.index = appendVertex(a.first.v);
    for (int k = 0; k < 3 && k < a.count; ++k) a.back(k).index = appendVertex(a.back(k).v);
}

void addVertex(float x, float y, float z, float w) {
    if (!glState.inBeginEnd) return;  // outside glBegin/glEnd a vertex has no effect
    makeRoom();
    Assembly& a = assembly;
    const int i = a.count;  // this vertex's index in the primitive
    AssembledVertex& v = a.ring[i & 3];
    BatchVertex& b = v.v;
    b.position[0] = x, b.position[1] = y, b.position[2] = z, b.position[3] = w;
    memcpy(b.normal, glState.currentNormal, sizeof b.normal);
    memcpy(b.tex, glState.currentTexCoord, sizeof b.tex);
    memcpy(b.colour, glState.currentColourBytes, sizeof b.colour);
    currentRecords(b.state);
    v.index = appendVertex(b);

    const AssembledVertex& p0 = a.ring[(i - 1) & 3];
    const AssembledVertex& p1 = a.ring[(i - 2) & 3];
    const AssembledVertex& p2 = a.ring[(i - 3) & 3];
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
            // Shaded flat, both pieces must hold the vertex whose colours they take (the
            // rasteriser takes flat colours from a piece's own last corner): the quad is then
            // cut along its other diagonal, which covers the same pixels of a flat, convex quad.
            if (i % 4 == 3 && glState.shadeModel == GL_FLAT) {
                emitTriangle(p2, p1, v, v);
                emitTriangle(p1, p0, v, v);
            } else if (i % 4 == 3) {
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
    a.count = i + 1;
}

unsigned char toByte(float c) {
    return static_cast<unsigned char>((c < 0 ? 0 : c > 1 ? 1 : c) * 255.0f + 0.5f);
}

// The colour is kept as given (glGet returns it so) and as the vertices carry it: clamped, as bytes.
void setColour(float r, float g, float b, float a) {
    glState.currentColour[0] = r, glState.currentColour[1] = g;
    glState.currentColour[2] = b, glState.currentColour[3] = a;
    for (int k = 0; k < 4; ++k) glState.currentColourBytes[k] = toByte(glState.currentColour[k]);
}

void setTexCoord(float s, float t, float r, float q) {
    glState.currentTexCoord[0] = s, glState.currentTexCoord[1] = t;
    glState.currentTexCoord[2] = r, glState.currentTexCoord[3] = q;
}

void setNormal(float x, float y, float z) {
    glState.currentNormal[0] = x, glState.currentNormal[1] = y, glState.currentNormal[2] = z;
}

}  // namespace

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
        emitLine(assembly.back(0), assembly.first, assembly.first);
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
