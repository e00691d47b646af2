// SPDX-License-Identifier: MIT
// gl_backend.h - the WebGL 2 side of the layer: the one unit that talks to the browser's GL.
//
// The fixed-function units above it never call WebGL; they hand the backend transformed,
// lit vertices and the state to rasterise them with. This header uses no GL header of its own
// (the desktop gl.h and WebGL's gl2.h do not mix), so enums travel as plain unsigned numbers
// with the values both headers give them.
//
//   backendStart           makes the buffers and their layout for the context current now (the
//                          shader programs are made when first needed); false without a context
//   backendDraw            uploads a batch's vertices and indices, one call each, and runs its
//                          commands in order
//   backendCreateTexture   a WebGL texture for one texture object (0 without a context)
//   backendDeleteTexture   releases it
//   backendTextureImage    one mipmap level as tightly packed RGBA bytes
//   backendTextureParameters  filters and wrap modes (a 1-D texture is a 2-D one, one row high)
//   backendReadPixels      tightly packed RGBA rows, bottom row first
//   backendFlush / backendFinish  glFlush / glFinish of the browser's GL
//   backendError           the browser's own error flag (GL_NO_ERROR when none)
//   backendMaxTextureSize  the browser's largest texture
//   backendDrawingBufferSize  the current context's drawing buffer, in pixels
#pragma once

// One transformed, lit vertex, in full precision, as primitive assembly keeps it.
struct LayerVertex {
    float clip[4];   // clip coordinates
    float front[4];  // colour for front-facing primitives, clamped to [0, 1]
    float back[4];   // colour for back-facing ones (two-sided lighting), else the same
    float tex[4];    // texture coordinates after the texture matrix
};

// The same vertex as the vertex buffer holds it: 36 bytes. Colours are stored as bytes (the
// framebuffer's own precision); the texture's r coordinate is dropped (no 3-D textures).
struct BatchVertex {
    float clip[4];
    float stq[3];
    unsigned char front[4];
    unsigned char back[4];
};

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
    unsigned texture = 0;     // backend texture to sample; 0: texturing off (or incomplete)
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

bool backendStart();
void backendDraw(const BatchVertex* vertices, int vertexCount, const unsigned* indices, int indexCount,
                 const DrawCommand* commands, int commandCount);
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
