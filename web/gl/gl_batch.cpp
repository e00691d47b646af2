// SPDX-License-Identifier: MIT
// gl_batch.cpp - the frame's vertex and index streams and commands, kept until something needs
// them drawn, and kept between frames so that what did not change is not sent again.
//
// A frame's vertices (in object coordinates, each naming its state records) go into one vertex
// stream, each once, and the pieces of its primitives into one index stream, in the order the
// program sends them; a command records a clear, or a range of indices with the per-fragment
// state to draw it with. A piece whose state equals the last command's extends that command, so
// a frame is drawn with one call per change of per-fragment state.
//
// The streams are not emptied when a frame is drawn: the next frame writes from the top again,
// over the last frame's, and each vertex and index is compared with the one at its place as it
// is written. A glBegin/glEnd run whose vertices, attributes and state rows equal what the last
// frame sent at the same place (the same run of the same program, when nothing before it changed
// length) therefore leaves its part of the stream as it was, and the backend draws it from the
// buffer it already holds; only the stretches that differ are uploaded. Nothing stale can be
// drawn: every value is compared, none is assumed.
//
// The batch is drawn by glFlush and glFinish (the web entry's buffer swap calls glFlush), which
// also end the frame; before glReadPixels; before any texture image, parameter or object
// changes under commands that use it; and when a stream or record table is full (the frame then
// starts again at the top, and primitive assembly puts the vertices it still needs there).
#include <cstdint>
#include <cstring>

#include "web/gl/gl_state.h"

namespace {

constexpr int kStreamVertices = 1 << 17;  // 7 MiB
constexpr int kStreamIndices = 3 * kStreamVertices;
constexpr int kBatchCommands = 4096;
constexpr int kMaxRanges = 512;
constexpr int kRangeGap = 64;  // changed stretches this close are uploaded as one

BatchVertex vertices[kStreamVertices];
int vertexCount = 0;  // the next place in the vertex stream this frame
int verticesUsed = 0;
unsigned indices[kStreamIndices];
int indexCount = 0;
int indicesUsed = 0;
DrawCommand* const commands = new DrawCommand[kBatchCommands];  // made at start-up: no data in the program
int commandCount = 0;
RasterState snapshot;  // the state of the next primitive, rebuilt when it changed

Range vertexRanges[kMaxRanges];
int vertexRangeCount = 0;
Range indexRanges[kMaxRanges];
int indexRangeCount = 0;

// Notes that place `at` changed; places are written in increasing order within a batch.
void markChanged(Range* ranges, int* count, int at) {
    if (*count > 0) {
        Range& last = ranges[*count - 1];
        if (at >= last.begin && at <= last.end + kRangeGap) {
            if (at + 1 > last.end) last.end = at + 1;
            return;
        }
        if (*count == kMaxRanges) {  // one long stretch rather than too many short ones
            if (at < last.begin) last.begin = at;
            if (at + 1 > last.end) last.end = at + 1;
            return;
        }
    }
    ranges[(*count)++] = Range{at, at + 1};
}

bool sameVertex(const BatchVertex& a, const BatchVertex& b) {
    static_assert(sizeof(BatchVertex) == 56, "a vertex is 56 bytes");
    uint32_t x[14], y[14];
    memcpy(x, &a, sizeof x);
    memcpy(y, &b, sizeof y);
    uint32_t differ = 0;
    for (int i = 0; i < 14; ++i) differ |= x[i] ^ y[i];
    return differ == 0;
}

int pushVertex(const BatchVertex& v) {
    const int at = vertexCount++;
    if (!sameVertex(vertices[at], v)) {
        vertices[at] = v;
        markChanged(vertexRanges, &vertexRangeCount, at);
    }
    if (vertexCount > verticesUsed) verticesUsed = vertexCount;
    return at;
}

void pushIndex(unsigned index) {
    const int at = indexCount++;
    if (indices[at] != index) {
        indices[at] = index;
        markChanged(indexRanges, &indexRangeCount, at);
    }
    if (indexCount > indicesUsed) indicesUsed = indexCount;
}

// The command that the next `kind` piece goes into: the last one when the state is unchanged.
// The states are compared only when the state was set anew; otherwise the last draw command
// was made with this snapshot.
DrawCommand* commandFor(PrimitiveKind kind) {
    bool changed = false;
    if (glState.rasterStateChanged) {
        snapshot = glState.raster;
        snapshot.flat = glState.shadeModel == GL_FLAT;
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

// With flat shading the piece takes the colours of its provoking vertex: the rasteriser's flat
// colours come from a piece's last vertex, so the corners are turned (which keeps the piece's
// orientation) until the provoking one is last.
void emit(PrimitiveKind kind, const int* corners, int count, int provoking) {
    DrawCommand* c = commandFor(kind);
    int start = 0;
    if (c->state.flat) {
        for (int i = 0; i < count; ++i)
            if (corners[i] == provoking) start = i + 1;
        if (start == count) start = 0;
    }
    for (int i = start; i < count; ++i) pushIndex(unsigned(corners[i]));
    for (int i = 0; i < start; ++i) pushIndex(unsigned(corners[i]));
    c->count += count;
}

}  // namespace

bool batchHasRoom() {
    // One vertex completes at most two triangles (quads, quad strips): six indices.
    return vertexCount + 8 <= kStreamVertices && indexCount + 8 <= kStreamIndices &&
           commandCount + 2 <= kBatchCommands && recordsHaveRoom();
}

int appendVertex(const BatchVertex& v) {
    return pushVertex(v);
}

void emitPoint(const AssembledVertex& a) {
    emit(kPoints, &a.index, 1, a.index);
}

void emitLine(const AssembledVertex& a, const AssembledVertex& b, const AssembledVertex& provoking) {
    const int corners[2] = {a.index, b.index};
    emit(kLines, corners, 2, provoking.index);
}

void emitTriangle(const AssembledVertex& a, const AssembledVertex& b, const AssembledVertex& c,
                  const AssembledVertex& provoking) {
    const int corners[3] = {a.index, b.index, c.index};
    emit(kTriangles, corners, 3, provoking.index);
}

bool flushBatch() {
    if (commandCount > 0) {
        BatchData b;
        b.vertices = vertices, b.vertexCapacity = kStreamVertices, b.verticesUsed = verticesUsed;
        b.vertexRanges = vertexRanges, b.vertexRangeCount = vertexRangeCount;
        b.indices = indices, b.indexCapacity = kStreamIndices, b.indicesUsed = indicesUsed;
        b.indexRanges = indexRanges, b.indexRangeCount = indexRangeCount;
        for (int t = 0; t < kRecordTables; ++t) {
            b.tables[t] = recordTable(RecordTable(t));
            b.rowsUsed[t] = recordRowsUsed(RecordTable(t));
            b.changedRows[t] = takeChangedRows(RecordTable(t));
        }
        b.commands = commands, b.commandCount = commandCount;
        backendDraw(b);
        vertexRangeCount = 0;
        indexRangeCount = 0;
    }
    commandCount = 0;
    // A full stream or table: the frame starts again at the top.
    if (!batchHasRoom()) {
        vertexCount = 0;
        indexCount = 0;
        restartRecords();
        return true;
    }
    return false;
}

void endFrame() {
    flushBatch();
    vertexCount = 0;
    indexCount = 0;
    restartRecords();
    backendEndFrame();
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
