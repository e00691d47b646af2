// SPDX-License-Identifier: MIT
// gl_backend.h - the WebGL 2 side of the layer: the one unit that talks to the browser's GL.
//
// The fixed-function units above it never call WebGL; they hand the backend vertices in object
// coordinates, each naming the state records it is to be transformed and lit with, the records
// themselves, and the state to rasterise with. This header uses no GL header of its own (the
// desktop gl.h and WebGL's gl2.h do not mix), so enums travel as plain unsigned numbers with
// the values both headers give them.
//
// Every GPU object can be made again from what the layer holds on the CPU side: the vertex and
// index streams and the record tables are kept whole in the batch (the backend's buffers and
// tables are copies of them), the texture images are kept by the backend for each texture it
// made, and the shader programs are made from their source. backendRecreate makes them all anew
// in the current context.
//
//   backendStart           takes the context current now (the buffers, record tables and their
//                          layout are made by the first draw, the shader programs when a batch
//                          first needs them); false without a context
//   backendProgramsPending  makes every shader program the commands need that is not made yet,
//                          all of them before any status is asked; true while the browser is
//                          still compiling one of them, asked without waiting where the context
//                          offers KHR_parallel_shader_compile (elsewhere, and while the context is
//                          lost, false: backendDraw waits for the compile)
//   backendDraw            makes the programs the commands need, uploads what changed in the
//                          streams and tables since the last draw, then asks the new programs'
//                          statuses and uniforms (waiting for their compile) and runs the
//                          commands in order
//   backendEndFrame        a frame ends (glFlush, glFinish): its counts become the last frame's
//   backendCreateTexture   a texture handle for one texture object (0 without a context)
//   backendDeleteTexture   releases it and the images kept for it
//   backendTextureImage    one mipmap level as tightly packed RGBA bytes (kept, and uploaded)
//   backendTextureParameters  filters and wrap modes (a 1-D texture is a 2-D one, one row high)
//   backendReadPixels      tightly packed RGBA rows, bottom row first
//   backendFlush / backendFinish  glFlush (nothing: the browser flushes when the task ends) /
//                          glFinish of the browser's GL
//   backendError           the browser's own error flag (GL_NO_ERROR when none)
//   backendMaxTextureSize  the browser's largest texture; 0 without a context or while it is lost
//   backendDrawingBufferSize  the current context's drawing buffer, in pixels
//   backendRecreate        every GPU object made again from what the layer keeps (a restored
//                          context); false when that failed
//   backendFrameCounts     the last frame's bytes uploaded and draw calls
#pragma once

#include <cstddef>

// One vertex as the program gave it and the vertex buffer holds it: 56 bytes. The colour is the
// current colour clamped and stored as bytes (the framebuffer's own precision; it is shown only
// where lighting is off). state names the rows of the record tables the vertex shader reads.
struct BatchVertex {
    float position[4];         // object coordinates
    float normal[3];           // the current normal, untransformed
    float tex[4];              // the current texture coordinates, before the texture matrix
    unsigned char colour[4];
    unsigned short state[4];   // rows: model-view, projection, lights (kUnlit: lighting off), material
};
constexpr unsigned short kUnlit = 0xFFFF;
// Flags beside the row numbers, so that the shader reads no more of the records than it needs.
constexpr unsigned short kNormalizeBit = 0x8000;        // state[0]: GL_NORMALIZE
constexpr unsigned short kUpperNormalBit = 0x4000;      // state[0]: the normal matrix is the upper 3 x 3
constexpr unsigned short kIdentityTextureBit = 0x8000;  // state[1]: the texture matrix is the identity
constexpr unsigned short kRowMask[4] = {0x3FFF, 0x7FFF, 0xFFFF, 0xFFFF};

// The record tables: RGBA float textures, one record a row, read by the vertex shader with
// texelFetch. The layout of a row is the vertex shader's (shaders.h), written by gl_records.cpp.
enum RecordTable { kModelViewTable = 0, kProjectionTable = 1, kLightsTable = 2, kMaterialTable = 3, kRecordTables = 4 };
constexpr int kRecordWidth[kRecordTables] = {8, 8, 49, 8};  // texels (vec4) per row
constexpr int kRecordRows[kRecordTables] = {2048, 256, 512, 2048};

enum PrimitiveKind { kPoints = 0, kLines = 1, kTriangles = 2 };

// What the rasteriser needs besides the vertices. Consecutive primitives with equal state are
// drawn with one call.
struct RasterState {
    PrimitiveKind kind = kTriangles;
    int viewport[4] = {0, 0, 0, 0};
    bool blend = false;
    unsigned blendSource = 1;       // GL_ONE
    unsigned blendDestination = 0;  // GL_ZERO
    bool depthTest = false;
    unsigned depthFunc = 0x0201;  // GL_LESS
    bool depthMask = true;
    bool colourMask[4] = {true, true, true, true};
    bool cullFace = false;
    unsigned cullMode = 0x0405;   // GL_BACK
    unsigned frontFace = 0x0901;  // GL_CCW
    bool scissorTest = false;
    int scissor[4] = {0, 0, 0, 0};
    bool flat = false;        // flat shading: each piece takes its last vertex's colours
    unsigned texture = 0;     // backend texture handle to sample; 0: texturing off (or incomplete)
    bool texture1D = false;   // sampled along s only
    unsigned textureFunction = 0x2100;  // GL_MODULATE
    bool textureHasColour = true;       // false for an alpha-only texture
    bool textureHasAlpha = false;       // false for luminance and RGB textures
    float textureEnvColour[4] = {0, 0, 0, 0};
};

bool operator==(const RasterState& a, const RasterState& b);

// A batch is a list of these, run in order: clears, and draws of ranges of the index list.
struct DrawCommand {
    bool clear = false;
    unsigned clearMask = 0;  // GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT
    float clearColour[4] = {0, 0, 0, 0};
    float clearDepth = 1;
    RasterState state;       // for a clear: its masks, scissor and viewport
    int first = 0;           // indices of a draw
    int count = 0;
};

// A stretch of a stream or table that differs from what the backend's copy holds: [begin, end),
// in vertices, indices or rows.
struct Range {
    int begin = 0;
    int end = 0;
};

// What the batch hands over: the whole streams and tables as the layer keeps them, the parts of
// them that changed since the last draw, and the commands. `used` is how much of each is in use
// (what a recreated context needs uploaded).
struct BatchData {
    const BatchVertex* vertices = nullptr;
    int vertexCapacity = 0;
    int verticesUsed = 0;
    const Range* vertexRanges = nullptr;
    int vertexRangeCount = 0;
    const unsigned* indices = nullptr;
    int indexCapacity = 0;
    int indicesUsed = 0;
    const Range* indexRanges = nullptr;
    int indexRangeCount = 0;
    const float* tables[kRecordTables] = {};
    int rowsUsed[kRecordTables] = {};
    Range changedRows[kRecordTables] = {};
    const DrawCommand* commands = nullptr;
    int commandCount = 0;
};

bool backendStart();
bool backendProgramsPending(const DrawCommand* commands, int count);
void backendDraw(const BatchData& batch);
void backendEndFrame();
unsigned backendCreateTexture();
void backendDeleteTexture(unsigned texture);
void backendTextureImage(unsigned texture, int level, int width, int height, const unsigned char* rgba);
void backendTextureParameters(unsigned texture, unsigned minFilter, unsigned magFilter, unsigned wrapS, unsigned wrapT);
void backendReadPixels(int x, int y, int width, int height, unsigned char* rgba);
void backendFlush();
void backendFinish();
unsigned backendError();
int backendMaxTextureSize();
void backendDrawingBufferSize(int* width, int* height);
bool backendRecreate();
void backendFrameCounts(double* bytesUploaded, double* drawCalls);
