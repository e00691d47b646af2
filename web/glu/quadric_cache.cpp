// SPDX-License-Identifier: MIT
// quadric_cache.cpp - GLU's quadrics in the web build, tessellated once for each distinct call.
//
// gluCylinder, gluDisk, gluPartialDisk and gluSphere make the same vertices every time they are
// called with the same arguments on a quadric in the same state: GLU computes them from nothing
// else, but for what it leaves to the current normal and texture coordinates (every normal with
// GLU_NONE, every texture coordinate unless the quadric asks for them, a flat sphere's pole and
// anything else before its first normal). The web build links these in front of GLU's own (the
// linker's --wrap, cmake/web.cmake):
//   the first call   goes to GLU, with the GL layer capturing the runs it makes as it draws
//                    them (positions, normals and texture coordinates, as GLU gave them)
//   a call again     with the same quadric, quadric state and arguments sends the captured runs
//                    again with the colour, matrices and materials current now, and the current
//                    normal and texture coordinates wherever GLU gave none; the batch leaves
//                    them in the vertex stream where the last frame's were the same (a run that
//                    takes current values is compared vertex by vertex, as the program's are)
// The quadric setters (and gluNewQuadric, gluDeleteQuadric) go to GLU too, and count as a change
// of every quadric's state. A call made between glBegin and glEnd, with an error pending, or
// within another capture (GLU's gluDisk calls gluPartialDisk), or that records an error or makes
// no vertex (GLU refused its arguments, and its error callback had to be called) is never
// captured: it goes to GLU every time.
#include <GL/glu.h>

#include <cstring>

#include "web/gl/gl_state.h"

extern "C" {
void __real_gluCylinder(GLUquadric* quad, GLdouble base, GLdouble top, GLdouble height, GLint slices, GLint stacks);
void __real_gluDisk(GLUquadric* quad, GLdouble inner, GLdouble outer, GLint slices, GLint loops);
void __real_gluPartialDisk(GLUquadric* quad, GLdouble inner, GLdouble outer, GLint slices, GLint loops,
                           GLdouble start, GLdouble sweep);
void __real_gluSphere(GLUquadric* quad, GLdouble radius, GLint slices, GLint stacks);
GLUquadric* __real_gluNewQuadric();
void __real_gluDeleteQuadric(GLUquadric* quad);
void __real_gluQuadricDrawStyle(GLUquadric* quad, GLenum draw);
void __real_gluQuadricNormals(GLUquadric* quad, GLenum normal);
void __real_gluQuadricOrientation(GLUquadric* quad, GLenum orientation);
void __real_gluQuadricTexture(GLUquadric* quad, GLboolean texture);
}

namespace {

enum Shape { kCylinder, kDisk, kPartialDisk, kSphere };

// One call, compared whole (bit for bit: the arguments are doubles as given).
struct QuadricCall {
    Shape shape = kCylinder;
    const GLUquadric* quadric = nullptr;
    unsigned quadricState = 0;  // quadricChanges when called
    GLint slices = 0;
    GLint rings = 0;            // stacks or loops
    GLdouble sizes[5] = {};     // radii, height, start and sweep angles, as the shape takes them
};

constexpr int kEntries = 128;
constexpr int kKeptVertices = 1 << 16;  // 2.9 MB
constexpr int kKeptRuns = 4096;

struct Entry {
    QuadricCall call;
    unsigned source = 0;     // names the entry's runs to the batch; never used twice
    int firstVertex = 0;     // in `vertices`
    int firstRun = 0;        // in `modes` and `ends`
    int runs = 0;
    // GLU gives some vertices no normal or texture coordinates of its own (none with GLU_NONE,
    // no texture coordinates unless asked for, a flat sphere's pole before its first normal):
    // those take the current ones, which are different from call to call. The entry's vertices
    // before these take the current values; -1: all of them do, GLU gave none.
    int normalFrom = -1;
    int texFrom = -1;
    float normal[3] = {};    // the current normal and texture coordinates GLU left, where it gave any
    float tex[4] = {};
};

struct Cache {
    Entry entries[kEntries];
    int entryCount = 0;
    CapturedVertex vertices[kKeptVertices];
    int vertexCount = 0;
    GLenum modes[kKeptRuns];
    int ends[kKeptRuns];  // relative to the entry's first vertex
    int runCount = 0;
    unsigned nextSource = 1;
    unsigned quadricChanges = 0;
};
Cache* cache = nullptr;  // made on the first quadric drawn

bool sameCall(const QuadricCall& a, const QuadricCall& b) {
    return a.shape == b.shape && a.quadric == b.quadric && a.quadricState == b.quadricState && a.slices == b.slices &&
           a.rings == b.rings && memcmp(a.sizes, b.sizes, sizeof a.sizes) == 0;
}

// How many of a run's vertices, [from, to) of the entry's, come before `given` (-1: all).
int takingCurrent(int given, int from, int to) {
    const int before = given < 0 ? to : given;
    return before <= from ? 0 : before >= to ? to - from : before - from;
}

void replay(const Entry& e) {
    int from = 0;
    for (int r = 0; r < e.runs; ++r) {
        const int to = cache->ends[e.firstRun + r];
        replayRun(cache->modes[e.firstRun + r], cache->vertices + e.firstVertex + from, to - from, e.source,
                  unsigned(r), takingCurrent(e.normalFrom, from, to), takingCurrent(e.texFrom, from, to));
        from = to;
    }
    // What GLU left current; where it gave nothing, the values current before the call stay.
    if (e.normalFrom >= 0) memcpy(glState.currentNormal, e.normal, sizeof e.normal);
    if (e.texFrom >= 0) memcpy(glState.currentTexCoord, e.tex, sizeof e.tex);
}

// GLU's own call, captured into the cache when it draws cleanly; `real` makes it.
template <typename Real>
void drawQuadric(const QuadricCall& call, Real real) {
    // GLU's gluDisk calls gluPartialDisk, which the linker sends here too: within a capture the
    // call is part of the one being captured.
    if (capture || glState.inBeginEnd || glState.error != GL_NO_ERROR) return real();
    if (!cache) cache = new Cache;
    Cache& c = *cache;
    for (int i = 0; i < c.entryCount; ++i)
        if (sameCall(c.entries[i].call, call)) return replay(c.entries[i]);

    // A full cache starts again; the batch knows the old entries by sources never given again.
    if (c.entryCount == kEntries) c.entryCount = c.vertexCount = c.runCount = 0;
    Capture k;
    k.vertices = c.vertices + c.vertexCount, k.capacity = kKeptVertices - c.vertexCount;
    k.modes = c.modes + c.runCount, k.ends = c.ends + c.runCount, k.runCapacity = kKeptRuns - c.runCount;
    capture = &k;
    real();
    capture = nullptr;
    if (k.spoilt || k.count == 0 || glState.error != GL_NO_ERROR) {
        if (k.spoilt && c.entryCount > 0) c.entryCount = c.vertexCount = c.runCount = 0;  // room for the next
        return;
    }
    Entry& e = c.entries[c.entryCount++];
    e.call = call;
    e.source = c.nextSource++;
    e.firstVertex = c.vertexCount, e.firstRun = c.runCount, e.runs = k.runs;
    e.normalFrom = k.normalFrom, e.texFrom = k.texFrom;
    memcpy(e.normal, glState.currentNormal, sizeof e.normal);
    memcpy(e.tex, glState.currentTexCoord, sizeof e.tex);
    c.vertexCount += k.count;
    c.runCount += k.runs;
}

void quadricChanged() {
    if (cache) ++cache->quadricChanges;
}

unsigned quadricState() {
    return cache ? cache->quadricChanges : 0;
}

}  // namespace

extern "C" {

void __wrap_gluCylinder(GLUquadric* quad, GLdouble base, GLdouble top, GLdouble height, GLint slices, GLint stacks) {
    const QuadricCall call{kCylinder, quad, quadricState(), slices, stacks, {base, top, height, 0, 0}};
    drawQuadric(call, [&] { __real_gluCylinder(quad, base, top, height, slices, stacks); });
}

void __wrap_gluDisk(GLUquadric* quad, GLdouble inner, GLdouble outer, GLint slices, GLint loops) {
    const QuadricCall call{kDisk, quad, quadricState(), slices, loops, {inner, outer, 0, 0, 0}};
    drawQuadric(call, [&] { __real_gluDisk(quad, inner, outer, slices, loops); });
}

void __wrap_gluPartialDisk(GLUquadric* quad, GLdouble inner, GLdouble outer, GLint slices, GLint loops,
                           GLdouble start, GLdouble sweep) {
    const QuadricCall call{kPartialDisk, quad, quadricState(), slices, loops, {inner, outer, start, sweep, 0}};
    drawQuadric(call, [&] { __real_gluPartialDisk(quad, inner, outer, slices, loops, start, sweep); });
}

void __wrap_gluSphere(GLUquadric* quad, GLdouble radius, GLint slices, GLint stacks) {
    const QuadricCall call{kSphere, quad, quadricState(), slices, stacks, {radius, 0, 0, 0, 0}};
    drawQuadric(call, [&] { __real_gluSphere(quad, radius, slices, stacks); });
}

GLUquadric* __wrap_gluNewQuadric() {
    quadricChanged();  // may be a deleted quadric's address again
    return __real_gluNewQuadric();
}

void __wrap_gluDeleteQuadric(GLUquadric* quad) {
    quadricChanged();
    __real_gluDeleteQuadric(quad);
}

void __wrap_gluQuadricDrawStyle(GLUquadric* quad, GLenum draw) {
    quadricChanged();
    __real_gluQuadricDrawStyle(quad, draw);
}

void __wrap_gluQuadricNormals(GLUquadric* quad, GLenum normal) {
    quadricChanged();
    __real_gluQuadricNormals(quad, normal);
}

void __wrap_gluQuadricOrientation(GLUquadric* quad, GLenum orientation) {
    quadricChanged();
    __real_gluQuadricOrientation(quad, orientation);
}

void __wrap_gluQuadricTexture(GLUquadric* quad, GLboolean texture) {
    quadricChanged();
    __real_gluQuadricTexture(quad, texture);
}

}  // extern "C"
