// SPDX-License-Identifier: MIT
// gl_batch.cpp - the frame's vertex and index streams and commands, kept until something needs
// them drawn, and kept between frames so that what did not change is not sent again.
//
// A frame's vertices (in object coordinates, each naming its state records) go into one vertex
// stream, each once, as the program sends them; at glEnd the run of vertices is cut into the
// pieces of its primitive, whose corners go into one index stream. A command records a clear, or
// a range of indices with the per-fragment state to draw it with. A run whose state equals the
// last command's extends that command, so a frame is drawn with one call per change of
// per-fragment state. The primitives are cut in submission order:
//   strips    triangle i is (i, i+1, i+2), its first two swapped when i is odd so that every
//             triangle keeps the strip's orientation
//   fans      (0, i+1, i+2)
//   quads     (0, 1, 2) and (0, 2, 3) of each quad ((0, 1, 3) and (1, 2, 3) when shaded flat, so
//             that both hold the vertex whose colours they take); a quad strip's quad i is
//             (2i, 2i+1, 2i+3, 2i+2)
//   polygon   a fan around its first vertex
// With flat shading every piece takes the colours of the vertex OpenGL names for it: the last
// vertex of each line, triangle or quad (so 2i+3 of a quad strip), the first vertex of a
// polygon, and the first vertex for the closing segment of a line loop. The rasteriser takes
// flat colours from a piece's last corner, so the corners are turned (which keeps the piece's
// orientation) until that vertex is last. Vertices left over at glEnd (two of a triangle, three
// of a quad) are dropped, as OpenGL drops them.
//
// The streams are not emptied when a frame is drawn: the next frame writes from the top again,
// over the last frame's, and each vertex and index is compared with the one at its place as it
// is written. A glBegin/glEnd run whose vertices, attributes and state rows equal what the last
// frame sent at the same place therefore leaves its part of the stream as it was, and the
// backend draws it from the buffer it already holds; only the stretches that differ are
// uploaded. A run of the same primitive and length at the same places of both streams as the
// same run of the last frame has the same corners: they are left as they are, not cut again.
// Nothing stale can be drawn: every vertex is compared, and corners are reused only where they
// were written from the same places, mode and shading.
//
// The batch is drawn by glFlush and glFinish (the web entry's buffer swap calls glFlush), which
// also end the frame; before glReadPixels; before any texture image, parameter or object
// changes under commands that use it; and when a stream or record table is full. The frame then
// starts again at the top, and a run under way is cut so far, drawn, and goes on there with the
// vertices its next pieces still need (its first and its last three).
//
// A frame that glFlush ends while the browser is still compiling shader programs it needs (asked
// without waiting, where the context offers KHR_parallel_shader_compile) is not drawn then: its
// batch is kept whole, streams, records and commands, and the frame waits. layerFrameWaiting
// asks again and draws it once they are compiled. Whatever would write the next frame over it
// (glBegin, glClear) or needs it drawn (glFinish, glReadPixels, a texture change) draws it first,
// waiting for the compile as a frame without the extension does. A frame that waits while the
// context is lost is drawn as any frame then is, into nothing; a restored context lets it go.
#include <cstdint>
#include <cstring>

#include "web/gl/gl_state.h"

namespace {

constexpr int kStreamVertices = 1 << 17;  // 7 MiB
constexpr int kStreamIndices = 3 * kStreamVertices;
constexpr int kBatchCommands = 4096;
constexpr int kMaxRanges = 512;
constexpr int kRangeGap = 64;  // changed stretches this close are uploaded as one
constexpr int kKnownRuns = 8192;
constexpr int kMostIndicesPerVertex = 6;  // a quad's fourth vertex completes two triangles

BatchVertex vertices[kStreamVertices];
int vertexCount = 0;  // the next place in the vertex stream this frame
int verticesUsed = 0;
unsigned indices[kStreamIndices];
int indexCount = 0;
int indicesUsed = 0;
DrawCommand* const commands = new DrawCommand[kBatchCommands];  // made at start-up: no data in the program
int commandCount = 0;
RasterState snapshot;  // the state of the next primitive, rebuilt when it changed

bool frameWaiting = false;  // the frame glFlush ended is kept, undrawn, for its shader programs

Range vertexRanges[kMaxRanges];
int vertexRangeCount = 0;
Range indexRanges[kMaxRanges];
int indexRangeCount = 0;

// The run under way, from glBegin to glEnd. Its vertex j is at base + j in the vertex stream,
// vertex 0 at `first` (they differ once the run was carried to the top of the streams).
struct Run {
    GLenum mode = GL_POINTS;
    int count = 0;      // vertices so far
    int cut = 0;        // vertices whose pieces are in the index stream
    int first = 0;
    int base = 0;
    int limit = 0;      // the count at which the streams are full
    bool carried = false;
    int startVertex = 0;  // where the run's vertices begin
    // A run replayed from a capture (reuseRun): which one, and the colour and records all its
    // vertices carry. Source 0: the program's own vertices.
    unsigned source = 0;
    unsigned part = 0;
    unsigned char colour[4] = {};
    unsigned short state[kRecordTables] = {};
};
Run run;

// What the runs of the last frame (and of this one, so far) were cut into, by their number in
// the frame; the corners of run r lie at indices [startIndex, startIndex + indexCount).
struct KnownRun {
    GLenum mode = 0;
    bool flat = false;
    int startVertex = -1;
    int count = 0;
    int startIndex = 0;
    int indexCount = 0;
    unsigned source = 0;  // the run's capture (0: none), which wrote its vertices
    unsigned part = 0;
    unsigned char colour[4] = {};
    unsigned short state[kRecordTables] = {};
};
KnownRun* const knownRuns = new KnownRun[kKnownRuns];
int knownRunCount = 0;  // entries that describe what the index stream holds
int runNumber = 0;      // this frame's runs so far

// Notes that place `at` changed; places are written in increasing order within a batch.
[[gnu::noinline]] void markChanged(Range* ranges, int* count, int at) {
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
    uint64_t x[7], y[7];
    memcpy(x, &a, sizeof x);
    memcpy(y, &b, sizeof y);
    uint64_t differ = 0;
    for (int i = 0; i < 7; ++i) differ |= x[i] ^ y[i];
    return differ == 0;
}

inline int pushVertex(const BatchVertex& v) {
    const int at = vertexCount++;
    if (!sameVertex(vertices[at], v)) {
        vertices[at] = v;
        markChanged(vertexRanges, &vertexRangeCount, at);
    }
    if (vertexCount > verticesUsed) verticesUsed = vertexCount;
    return at;
}

inline void pushIndex(unsigned index) {
    const int at = indexCount++;
    if (indices[at] != index) {
        indices[at] = index;
        markChanged(indexRanges, &indexRangeCount, at);
    }
}

// Where the run's vertex j is in the vertex stream.
inline unsigned place(int j) {
    return unsigned(j == 0 ? run.first : run.base + j);
}

// One piece; `provoking` is the corner whose colours a flat piece takes.
inline void piece(const unsigned* corners, int count, unsigned provoking, bool flat) {
    int start = 0;
    if (flat) {
        for (int i = 0; i < count; ++i)
            if (corners[i] == provoking) start = i + 1;
        if (start == count) start = 0;
    }
    for (int i = start; i < count; ++i) pushIndex(corners[i]);
    for (int i = 0; i < start; ++i) pushIndex(corners[i]);
}

inline void triangle(unsigned a, unsigned b, unsigned c, unsigned provoking, bool flat) {
    const unsigned corners[3] = {a, b, c};
    piece(corners, 3, provoking, flat);
}

inline void line(unsigned a, unsigned b, unsigned provoking, bool flat) {
    const unsigned corners[2] = {a, b};
    piece(corners, 2, provoking, flat);
}

// The pieces that the run's vertices [from, to) complete, in submission order.
void cut(int from, int to, bool flat) {
    for (int i = from; i < to; ++i) {
        const unsigned v = place(i);
        switch (run.mode) {
            case GL_POINTS: pushIndex(v); break;
            case GL_LINES: if (i % 2 == 1) line(place(i - 1), v, v, flat); break;
            case GL_LINE_STRIP:
            case GL_LINE_LOOP: if (i >= 1) line(place(i - 1), v, v, flat); break;
            case GL_TRIANGLES: if (i % 3 == 2) triangle(place(i - 2), place(i - 1), v, v, flat); break;
            case GL_TRIANGLE_STRIP:
                if (i >= 2) {
                    if (i % 2 == 0) triangle(place(i - 2), place(i - 1), v, v, flat);
                    else triangle(place(i - 1), place(i - 2), v, v, flat);
                }
                break;
            case GL_TRIANGLE_FAN: if (i >= 2) triangle(place(0), place(i - 1), v, v, flat); break;
            case GL_QUADS:
                if (i % 4 == 3 && flat) {
                    triangle(place(i - 3), place(i - 2), v, v, flat);
                    triangle(place(i - 2), place(i - 1), v, v, flat);
                } else if (i % 4 == 3) {
                    triangle(place(i - 3), place(i - 2), place(i - 1), v, flat);
                    triangle(place(i - 3), place(i - 1), v, v, flat);
                }
                break;
            case GL_QUAD_STRIP:
                if (i >= 3 && i % 2 == 1) {  // quad (i-3, i-2, i, i-1)
                    triangle(place(i - 3), place(i - 2), v, v, flat);
                    triangle(place(i - 3), v, place(i - 1), v, flat);
                }
                break;
            case GL_POLYGON: if (i >= 2) triangle(place(0), place(i - 1), v, place(0), flat); break;
            default: break;
        }
    }
}

PrimitiveKind kindOf(GLenum mode) {
    if (mode == GL_POINTS) return kPoints;
    return mode <= GL_LINE_STRIP ? kLines : kTriangles;
}

// The per-fragment state of the next pieces, remade only when it was set anew.
const RasterState& currentSnapshot(PrimitiveKind kind, bool* changed) {
    if (glState.rasterStateChanged) {
        snapshot = glState.raster;
        snapshot.flat = glState.shadeModel == GL_FLAT;
        currentTextureState(&snapshot);
        glState.rasterStateChanged = false;
        *changed = true;
    }
    if (snapshot.kind != kind) {
        snapshot.kind = kind;
        *changed = true;
    }
    return snapshot;
}

// The indices [start, indexCount) are drawn with the current state: the last command takes
// them when its state is the same.
void addToCommand(int start, bool changed) {
    const int count = indexCount - start;
    if (count == 0) return;
    if (indexCount > indicesUsed) indicesUsed = indexCount;
    if (commandCount > 0) {
        DrawCommand& last = commands[commandCount - 1];
        if (!last.clear && last.first + last.count == start && (!changed || last.state == snapshot)) {
            last.count += count;
            return;
        }
    }
    DrawCommand& c = commands[commandCount++];
    c = DrawCommand{};
    c.state = snapshot;
    c.first = start;
    c.count = count;
}

// Room for the run to go on from here: its vertices, the corners of its pieces not cut yet and
// the closing segment of a line loop.
void setRunLimit() {
    const int vertexRoom = kStreamVertices - vertexCount;
    const int indexRoom = (kStreamIndices - 2 - indexCount) / kMostIndicesPerVertex - (run.count - run.cut);
    run.limit = run.count + (vertexRoom < indexRoom ? vertexRoom : indexRoom);
}

// The streams start again at the top, where the first `keptRuns` runs known still lie.
void restartStreams(int keptRuns) {
    vertexCount = 0;
    indexCount = 0;
    restartRecords();
    knownRunCount = keptRuns;
    runNumber = 0;
}

bool batchHasRoom() {
    return vertexCount + 8 <= kStreamVertices && indexCount + 8 <= kStreamIndices &&
           commandCount + 2 <= kBatchCommands && recordsHaveRoom();
}

// The streams or a record table are full with the run under way: what it has so far is cut and
// drawn, and it goes on at the top with copies of the vertices its next pieces refer to.
void carryRun() {
    bool changed = false;
    currentSnapshot(kindOf(run.mode), &changed);
    const int start = indexCount;
    cut(run.cut, run.count, snapshot.flat);
    addToCommand(start, changed);
    run.cut = run.count;

    int from[4], count = 0;
    if (run.count <= 4) {
        for (int j = 0; j < run.count; ++j) from[count++] = j;
    } else {
        from[count++] = 0;
        for (int j = run.count - 3; j < run.count; ++j) from[count++] = j;
    }
    BatchVertex saved[4];
    BatchVertex* kept[4];
    for (int k = 0; k < count; ++k) saved[k] = vertices[place(from[k])], kept[k] = &saved[k];
    flushBatch(true);
    carryRecords(kept, count);
    run.first = run.base = vertexCount;
    for (int k = 0; k < count; ++k) {
        const int at = pushVertex(saved[k]);
        if (from[k] == 0) run.first = at;
        run.base = at - from[k];  // the last one's: the others it refers to lie just before it
    }
    run.carried = true;
    setRunLimit();
}

}  // namespace

void beginRun(GLenum mode) {
    if (frameWaiting || !batchHasRoom()) flushBatch(false);
    run = Run{};
    run.mode = mode;
    run.first = run.base = run.startVertex = vertexCount;
    setRunLimit();
}

namespace {

// Out of the way of appendVertex's common case: room in the streams and the tables, and the
// records the vertex names made.
[[gnu::noinline]] void prepareVertex() {
    if (run.count >= run.limit || (!glState.vertexStateValid && !recordsHaveRoom())) carryRun();
    if (!glState.vertexStateValid) currentRecords();
}

}  // namespace

void appendVertex(float x, float y, float z, float w) {
    if (run.count >= run.limit || !glState.vertexStateValid) prepareVertex();
    BatchVertex v;
    v.position[0] = x, v.position[1] = y, v.position[2] = z, v.position[3] = w;
    memcpy(v.normal, glState.currentNormal, sizeof v.normal);
    memcpy(v.tex, glState.currentTexCoord, sizeof v.tex);
    memcpy(v.colour, glState.currentColourBytes, sizeof v.colour);
    memcpy(v.state, glState.vertexState, sizeof v.state);
    pushVertex(v);
    ++run.count;
}

void endRun() {
    bool changed = false;
    currentSnapshot(kindOf(run.mode), &changed);
    const bool flat = snapshot.flat;
    const int start = indexCount;
    KnownRun* known = runNumber < kKnownRuns ? &knownRuns[runNumber] : nullptr;
    ++runNumber;
    if (known && !run.carried && runNumber <= knownRunCount && known->mode == run.mode && known->flat == flat &&
        known->startVertex == run.startVertex && known->count == run.count && known->startIndex == start) {
        indexCount = start + known->indexCount;  // the same corners as the last frame's run
    } else {
        cut(run.cut, run.count, flat);
        if (run.mode == GL_LINE_LOOP && run.count >= 2) line(place(run.count - 1), place(0), place(0), flat);
        if (known && !run.carried) {
            known->mode = run.mode, known->flat = flat, known->startVertex = run.startVertex;
            known->count = run.count, known->startIndex = start, known->indexCount = indexCount - start;
            if (runNumber > knownRunCount) knownRunCount = runNumber;
        }
    }
    // A carried run wrote the top of the streams anew: what its number knew is gone.
    if (known && run.carried) known->startVertex = -1;
    // Who wrote the run's vertices this frame, whichever way its corners came.
    if (known && !run.carried) {
        known->source = run.source, known->part = run.part;
        memcpy(known->colour, run.colour, sizeof run.colour);
        memcpy(known->state, run.state, sizeof run.state);
    }
    addToCommand(start, changed);
}

// The vertices of a captured run are a pure function of its source and part: a run of the same
// source and part, colour and records at the same place as the last frame's finds them there
// already (nothing has written that stretch since, or the stream would have started again).
bool reuseRun(unsigned source, unsigned part, int count) {
    if (run.count != 0) return false;
    if (!glState.vertexStateValid) prepareVertex();
    run.source = source, run.part = part;
    memcpy(run.colour, glState.currentColourBytes, sizeof run.colour);
    memcpy(run.state, glState.vertexState, sizeof run.state);
    if (run.carried || count > run.limit) return false;  // sent vertex by vertex, carried where full
    if (runNumber >= knownRunCount) return false;
    const KnownRun& k = knownRuns[runNumber];
    if (k.source != source || k.part != part || k.startVertex != vertexCount || k.count != count ||
        memcmp(k.colour, run.colour, sizeof run.colour) != 0 || memcmp(k.state, run.state, sizeof run.state) != 0)
        return false;
    vertexCount += count;
    if (vertexCount > verticesUsed) verticesUsed = vertexCount;
    run.count = count;
    return true;
}

namespace {

// The commands queued so far drawn, or let go of undrawn (`draw` false: for a context gone).
void drawQueued(bool draw) {
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
        if (draw) backendDraw(b);
        vertexRangeCount = 0;
        indexRangeCount = 0;
    }
    commandCount = 0;
}

// The frame's batch drawn (or let go of); the next frame's streams and records start again at
// the top, compared with this one's.
void closeFrame(bool draw) {
    drawQueued(draw);
    // The runs of this frame are what the index stream holds now; those of earlier frames
    // beyond them may have been written over. Full streams or tables keep none: the corners at
    // the top are written again.
    restartStreams(!batchHasRoom() ? 0 : runNumber < kKnownRuns ? runNumber : kKnownRuns);
    backendEndFrame();
}

// The waiting frame drawn now, waiting for its programs' compile.
void drawWaitingFrame() {
    frameWaiting = false;
    closeFrame(true);
}

}  // namespace

bool flushBatch(bool restart) {
    if (frameWaiting) drawWaitingFrame();
    drawQueued(true);
    // A full stream or table: the frame starts again at the top.
    if (restart || !batchHasRoom()) {
        restartStreams(0);  // the corners at the top are written again
        return true;
    }
    return false;
}

void endFrame(bool mayWait) {
    if (frameWaiting) {  // nothing was queued since: it is the frame still waiting
        if (!mayWait) drawWaitingFrame();
        return;
    }
    if (mayWait && backendProgramsPending(commands, commandCount)) {
        frameWaiting = true;
        return;
    }
    closeFrame(true);
}

bool layerFrameWaiting() {
    if (!frameWaiting) return false;
    if (backendProgramsPending(commands, commandCount)) return true;
    drawWaitingFrame();
    return false;
}

void dropWaitingFrame() {
    if (!frameWaiting) return;
    frameWaiting = false;
    closeFrame(false);
}

extern "C" void glClear(GLbitfield mask) {
    if (insideBeginEnd()) return;
    if (mask & ~GLbitfield(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT))
        return setError(GL_INVALID_VALUE);
    startContext();
    if (frameWaiting || commandCount + 2 > kBatchCommands) flushBatch(false);
    DrawCommand& c = commands[commandCount++];
    c = DrawCommand{};
    c.clear = true;
    c.clearMask = mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);  // there is no stencil or accumulation buffer
    memcpy(c.clearColour, glState.clearColour, sizeof c.clearColour);
    c.clearDepth = glState.clearDepth;
    c.state = glState.raster;
}
