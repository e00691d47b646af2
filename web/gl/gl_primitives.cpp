// SPDX-License-Identifier: MIT
// gl_primitives.cpp - glBegin/glEnd and the current values.
//
// Each glVertex is kept as the program gave it, in object coordinates with the current normal,
// colour and texture coordinates, and names the state records current then (gl_records.cpp);
// the vertex shader transforms and lights it. glEnd hands the run of vertices to the batch,
// which cuts it into points, lines and triangles (gl_batch.cpp). While a capture is set, each
// run is also kept there as given, to be sent again by replayRun.
#include <cstring>

#include "web/gl/gl_state.h"

Capture* capture = nullptr;

namespace {

void captureVertex(float x, float y, float z, float w) {
    Capture& c = *capture;
    if (c.count == c.capacity || c.runs == c.runCapacity) {
        c.spoilt = true;
        return;
    }
    CapturedVertex& v = c.vertices[c.count++];
    v.position[0] = x, v.position[1] = y, v.position[2] = z, v.position[3] = w;
    memcpy(v.normal, glState.currentNormal, sizeof v.normal);
    memcpy(v.tex, glState.currentTexCoord, sizeof v.tex);
}

void addVertex(float x, float y, float z, float w) {
    if (!glState.inBeginEnd) return;  // outside glBegin/glEnd a vertex has no effect
    if (capture) captureVertex(x, y, z, w);
    appendVertex(x, y, z, w);
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
    if (capture && capture->texFrom < 0) capture->texFrom = capture->count;
}

void setNormal(float x, float y, float z) {
    glState.currentNormal[0] = x, glState.currentNormal[1] = y, glState.currentNormal[2] = z;
    if (capture && capture->normalFrom < 0) capture->normalFrom = capture->count;
}

}  // namespace

extern "C" {

void glBegin(GLenum mode) {
    if (glState.inBeginEnd) return setError(GL_INVALID_OPERATION);
    if (mode > GL_POLYGON) return setError(GL_INVALID_ENUM);
    startContext();
    glState.inBeginEnd = true;
    glState.primitiveMode = mode;
    beginRun(mode);
}

void glEnd() {
    if (!glState.inBeginEnd) return setError(GL_INVALID_OPERATION);
    endRun();
    glState.inBeginEnd = false;
    if (capture && capture->runs < capture->runCapacity) {
        capture->modes[capture->runs] = glState.primitiveMode;
        capture->ends[capture->runs++] = capture->count;
    } else if (capture) {
        capture->spoilt = true;
    }
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

void replayRun(GLenum mode, const CapturedVertex* vertices, int count, unsigned source, unsigned part,
               int currentNormals, int currentTex) {
    glBegin(mode);
    if (!glState.inBeginEnd) return;
    // A run that takes current values is not the same from one call to the next: the batch
    // compares it vertex by vertex, as it does the program's own.
    const bool own = currentNormals == 0 && currentTex == 0;
    if (!own || !reuseRun(source, part, count)) {
        for (int i = 0; i < count; ++i) {
            const CapturedVertex& v = vertices[i];
            if (i >= currentNormals) memcpy(glState.currentNormal, v.normal, sizeof v.normal);
            if (i >= currentTex) memcpy(glState.currentTexCoord, v.tex, sizeof v.tex);
            appendVertex(v.position[0], v.position[1], v.position[2], v.position[3]);
        }
    }
    glEnd();
}
