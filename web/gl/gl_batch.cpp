// SPDX-License-Identifier: MIT
// gl_batch.cpp - the frame's vertices and commands, kept until something needs them drawn.
//
// Transformed vertices go into one fixed vertex array, each once; the pieces of primitives go
// into an index list; a command records a clear, or a range of indices with the per-fragment
// state to draw it with. A piece whose state equals the last command's extends that command, so
// a frame becomes one upload of each array and one draw per change of state. The batch is drawn by glFlush and glFinish (the web entry's buffer swap calls glFlush),
// before glReadPixels, before any texture image, parameter or object changes under commands that
// use it, and when an array is full (primitive assembly then puts the vertices it still needs
// into the new batch).
#include <cstring>

#include "web/gl/gl_state.h"

namespace {

constexpr int kBatchVertices = 1 << 17;  // 4.5 MiB
constexpr int kBatchIndices = 3 * kBatchVertices;
constexpr int kBatchCommands = 4096;

BatchVertex vertices[kBatchVertices];
int vertexCount = 0;
unsigned indices[kBatchIndices];
int indexCount = 0;
DrawCommand commands[kBatchCommands];
int commandCount = 0;
RasterState snapshot;  // the state of the next primitive, rebuilt when it changed

unsigned char toByte(float c) {
    return static_cast<unsigned char>(c * 255.0f + 0.5f);  // c is clamped to [0, 1] already
}

int pushVertex(const LayerVertex& v, const LayerVertex& colours) {
    BatchVertex& b = vertices[vertexCount];
    for (int k = 0; k < 4; ++k) {
        b.clip[k] = v.clip[k];
        b.front[k] = toByte(colours.front[k]);
        b.back[k] = toByte(colours.back[k]);
    }
    b.stq[0] = v.tex[0], b.stq[1] = v.tex[1], b.stq[2] = v.tex[3];
    return vertexCount++;
}

// The command that the next `kind` piece goes into: the last one when the state is unchanged.
// The states are compared only when the state was set anew; otherwise the last draw command
// was made with this snapshot.
DrawCommand* commandFor(PrimitiveKind kind) {
    bool changed = false;
    if (glState.rasterStateChanged) {
        snapshot = glState.raster;
        currentTextureState(&snapshot);
        glState.rasterStateChanged = false;
        changed = true;
    }
    if (snapshot.kind != kind) {
        snapshot.kind = kind;
        changed = true;
    }
    if (commandCount > 0) {
        DrawCommand& last = commands[commandCount - 1];
        if (!last.clear && last.first + last.count == indexCount && (!changed || last.state == snapshot)) return &last;
    }
    DrawCommand& c = commands[commandCount++];
    c = DrawCommand{};
    c.state = snapshot;
    c.first = indexCount;
    return &c;
}

// Smooth shading shares the vertices; flat shading gives the piece copies that carry the
// provoking vertex's colours throughout.
void emit(PrimitiveKind kind, const AssembledVertex* const* piece, int count, const AssembledVertex& provoking) {
    DrawCommand* c = commandFor(kind);
    const bool flat = glState.shadeModel == GL_FLAT && kind != kPoints;
    for (int i = 0; i < count; ++i)
        indices[indexCount++] = unsigned(flat ? pushVertex(piece[i]->v, provoking.v) : piece[i]->index);
    c->count += count;
}

// A triangle whose corners all lie beyond the same plane of the view volume makes no fragment;
// it is left out here rather than sent to the browser to be clipped away there.
bool outsideOnePlane(const float* a, const float* b, const float* c) {
    for (int axis = 0; axis < 3; ++axis) {
        if (a[axis] > a[3] && b[axis] > b[3] && c[axis] > c[3]) return true;
        if (a[axis] < -a[3] && b[axis] < -b[3] && c[axis] < -c[3]) return true;
    }
    return false;
}

}  // namespace

bool batchHasRoom() {
    // One vertex completes at most two triangles (quads, quad strips): six indices, and with
    // flat shading six copies.
    return vertexCount + 8 <= kBatchVertices && indexCount + 8 <= kBatchIndices && commandCount + 2 <= kBatchCommands;
}

int appendVertex(const LayerVertex& v) {
    return pushVertex(v, v);
}

void emitPoint(const AssembledVertex& a) {
    const AssembledVertex* piece[1] = {&a};
    emit(kPoints, piece, 1, a);
}

void emitLine(const AssembledVertex& a, const AssembledVertex& b, const AssembledVertex& provoking) {
    const AssembledVertex* piece[2] = {&a, &b};
    emit(kLines, piece, 2, provoking);
}

void emitTriangle(const AssembledVertex& a, const AssembledVertex& b, const AssembledVertex& c,
                  const AssembledVertex& provoking) {
    if (outsideOnePlane(a.v.clip, b.v.clip, c.v.clip)) return;
    const AssembledVertex* piece[3] = {&a, &b, &c};
    emit(kTriangles, piece, 3, provoking);
}

void flushBatch() {
    if (commandCount > 0) backendDraw(vertices, vertexCount, indices, indexCount, commands, commandCount);
    vertexCount = 0;
    indexCount = 0;
    commandCount = 0;
}

extern "C" void glClear(GLbitfield mask) {
    if (insideBeginEnd()) return;
    if (mask & ~GLbitfield(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT))
        return setError(GL_INVALID_VALUE);
    startContext();
    if (commandCount + 2 > kBatchCommands) flushBatch();
    DrawCommand& c = commands[commandCount++];
    c = DrawCommand{};
    c.clear = true;
    c.clearMask = mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);  // there is no stencil or accumulation buffer
    memcpy(c.clearColour, glState.clearColour, sizeof c.clearColour);
    c.clearDepth = glState.clearDepth;
    c.state = glState.raster;
}
