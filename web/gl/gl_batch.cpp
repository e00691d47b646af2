// SPDX-License-Identifier: MIT
// gl_batch.cpp - the frame's vertices and commands, kept until something needs them drawn.
//
// Assembled primitives go into one fixed vertex array; a command records a clear, or a range
// of vertices with the per-fragment state to draw it with. A primitive whose state equals the
// last command's extends that command, so a frame becomes one upload and one draw per change of
// state. The batch is drawn by glFlush and glFinish (the web entry's buffer swap calls glFlush),
// before glReadPixels, before any texture image, parameter or object changes under commands that
// use it, and when an array is full.
#include <cstring>

#include "web/gl/gl_state.h"

namespace {

constexpr int kBatchVertices = 1 << 17;  // 8 MiB
constexpr int kBatchCommands = 4096;

LayerVertex vertices[kBatchVertices];
int vertexCount = 0;
DrawCommand commands[kBatchCommands];
int commandCount = 0;
RasterState snapshot;  // the state of the next primitive, rebuilt when it changed

// Room for `needed` more vertices in the command for `kind`: a new command when the state
// changed since the last one.
DrawCommand* commandFor(PrimitiveKind kind, int needed) {
    if (vertexCount + needed > kBatchVertices || commandCount == kBatchCommands) flushBatch();
    if (glState.rasterStateChanged) {
        snapshot = glState.raster;
        currentTextureState(&snapshot);
        glState.rasterStateChanged = false;
    }
    snapshot.kind = kind;
    if (commandCount > 0) {
        DrawCommand& last = commands[commandCount - 1];
        if (!last.clear && last.first + last.count == vertexCount && last.state == snapshot) return &last;
    }
    DrawCommand& c = commands[commandCount++];
    c = DrawCommand{};
    c.state = snapshot;
    c.first = vertexCount;
    return &c;
}

void push(DrawCommand* c, const LayerVertex& v) {
    vertices[vertexCount++] = v;
    ++c->count;
}

// With flat shading the piece takes the provoking vertex's colours throughout.
void pushShaded(DrawCommand* c, const LayerVertex& v, const LayerVertex& provoking) {
    LayerVertex& out = vertices[vertexCount++];
    out = v;
    if (glState.shadeModel == GL_FLAT) {
        memcpy(out.front, provoking.front, sizeof out.front);
        memcpy(out.back, provoking.back, sizeof out.back);
    }
    ++c->count;
}

}  // namespace

void emitPoint(const LayerVertex& a) {
    push(commandFor(kPoints, 1), a);
}

void emitLine(const LayerVertex& a, const LayerVertex& b, const LayerVertex& provoking) {
    DrawCommand* c = commandFor(kLines, 2);
    pushShaded(c, a, provoking);
    pushShaded(c, b, provoking);
}

void emitTriangle(const LayerVertex& a, const LayerVertex& b, const LayerVertex& c, const LayerVertex& provoking) {
    DrawCommand* command = commandFor(kTriangles, 3);
    pushShaded(command, a, provoking);
    pushShaded(command, b, provoking);
    pushShaded(command, c, provoking);
}

void flushBatch() {
    if (commandCount > 0) backendDraw(vertices, vertexCount, commands, commandCount);
    vertexCount = 0;
    commandCount = 0;
}

extern "C" void glClear(GLbitfield mask) {
    if (insideBeginEnd()) return;
    if (mask & ~GLbitfield(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT))
        return setError(GL_INVALID_VALUE);
    startContext();
    if (commandCount == kBatchCommands) flushBatch();
    DrawCommand& c = commands[commandCount++];
    c = DrawCommand{};
    c.clear = true;
    c.clearMask = mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);  // there is no stencil or accumulation buffer
    memcpy(c.clearColour, glState.clearColour, sizeof c.clearColour);
    c.clearDepth = glState.clearDepth;
    c.state = glState.raster;
}
