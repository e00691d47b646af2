// SPDX-License-Identifier: MIT
// gl_context.cpp - the error flag, capabilities, per-fragment state, state queries, and the
// calls that reach the framebuffer (flush, finish, read-back).
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "web/gl/gl_state.h"

LayerState& glState = *new LayerState;  // made at start-up: its start values cost the program no data

void setError(GLenum error) {
    if (glState.error == GL_NO_ERROR) glState.error = error;
}

bool insideBeginEnd() {
    if (!glState.inBeginEnd) return false;
    setError(GL_INVALID_OPERATION);
    return true;
}

// The viewport and scissor box start as the drawing buffer's size once a context is current.
void startContext() {
    static bool started = false;
    if (started || !backendStart()) return;
    started = true;
    if (glState.raster.viewport[2] == 0 && glState.raster.viewport[3] == 0) {
        int size[2] = {0, 0};
        backendDrawingBufferSize(&size[0], &size[1]);
        glState.raster.viewport[2] = glState.raster.scissor[2] = size[0];
        glState.raster.viewport[3] = glState.raster.scissor[3] = size[1];
        glState.rasterStateChanged = true;
    }
}

namespace {

// The capability's switch, or null when the layer does not know it.
bool* capability(GLenum cap) {
    if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + kMaxLights) return &glState.lights[cap - GL_LIGHT0].enabled;
    switch (cap) {
        case GL_LIGHTING: return &glState.lighting;
        case GL_NORMALIZE: return &glState.normalize;
        case GL_TEXTURE_1D: return &glState.texture1DEnabled;
        case GL_TEXTURE_2D: return &glState.texture2DEnabled;
        case GL_BLEND: return &glState.raster.blend;
        case GL_DEPTH_TEST: return &glState.raster.depthTest;
        case GL_CULL_FACE: return &glState.raster.cullFace;
        case GL_SCISSOR_TEST: return &glState.raster.scissorTest;
        case GL_DITHER: return &glState.dither;  // kept, has no effect
        default: return nullptr;
    }
}

void setCapability(GLenum cap, bool on) {
    if (insideBeginEnd()) return;
    bool* flag = capability(cap);
    if (!flag) return setError(GL_INVALID_ENUM);
    if (*flag == on) return;
    *flag = on;
    if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + kMaxLights) recordChanged(kLightsTable);
    else if (cap == GL_NORMALIZE) recordChanged(kModelViewTable);
    else if (cap == GL_LIGHTING) glState.vertexStateValid = false;  // the vertices name other rows
    else glState.rasterStateChanged = true;
}

bool isBlendFactor(GLenum f, bool source) {
    switch (f) {
        case GL_ZERO: case GL_ONE: case GL_SRC_ALPHA: case GL_ONE_MINUS_SRC_ALPHA: case GL_DST_ALPHA:
        case GL_ONE_MINUS_DST_ALPHA:
            return true;
        case GL_SRC_COLOR: case GL_ONE_MINUS_SRC_COLOR: return !source;
        case GL_DST_COLOR: case GL_ONE_MINUS_DST_COLOR: case GL_SRC_ALPHA_SATURATE: return source;
        default: return false;
    }
}

// Every queryable value as numbers; returns how many, 0 for an unknown pname. `colour` marks
// values that glGetIntegerv maps from [-1, 1] onto the whole integer range.
int queryState(GLenum pname, double* v, bool* colour) {
    *colour = false;
    const RasterState& r = glState.raster;
    auto copy = [v](const float* from, int count) {
        for (int i = 0; i < count; ++i) v[i] = from[i];
        return count;
    };
    if (bool* flag = capability(pname)) {
        v[0] = *flag;
        return 1;
    }
    switch (pname) {
        case GL_MATRIX_MODE: v[0] = glState.matrixMode; return 1;
        case GL_MODELVIEW_MATRIX: return copy(glState.modelView[glState.modelViewDepth - 1].m, 16);
        case GL_PROJECTION_MATRIX: return copy(glState.projection[glState.projectionDepth - 1].m, 16);
        case GL_TEXTURE_MATRIX: return copy(glState.texture[glState.textureDepth - 1].m, 16);
        case GL_MODELVIEW_STACK_DEPTH: v[0] = glState.modelViewDepth; return 1;
        case GL_PROJECTION_STACK_DEPTH: v[0] = glState.projectionDepth; return 1;
        case GL_TEXTURE_STACK_DEPTH: v[0] = glState.textureDepth; return 1;
        case GL_MAX_MODELVIEW_STACK_DEPTH: v[0] = kModelViewStackDepth; return 1;
        case GL_MAX_PROJECTION_STACK_DEPTH: v[0] = kProjectionStackDepth; return 1;
        case GL_MAX_TEXTURE_STACK_DEPTH: v[0] = kTextureStackDepth; return 1;
        case GL_MAX_LIGHTS: v[0] = kMaxLights; return 1;
        case GL_MAX_TEXTURE_SIZE: v[0] = maxTextureSize(); return 1;
        case GL_MAX_VIEWPORT_DIMS: v[0] = v[1] = maxTextureSize(); return 2;
        case GL_VIEWPORT: {
            const int limit = maxTextureSize();
            for (int i = 0; i < 4; ++i) v[i] = i < 2 || r.viewport[i] < limit ? r.viewport[i] : limit;
            return 4;
        }
        case GL_SCISSOR_BOX: for (int i = 0; i < 4; ++i) v[i] = r.scissor[i]; return 4;
        case GL_CURRENT_COLOR: *colour = true; return copy(glState.currentColour, 4);
        case GL_CURRENT_NORMAL: *colour = true; return copy(glState.currentNormal, 3);
        case GL_CURRENT_TEXTURE_COORDS: return copy(glState.currentTexCoord, 4);
        case GL_COLOR_CLEAR_VALUE: *colour = true; return copy(glState.clearColour, 4);
        case GL_DEPTH_CLEAR_VALUE: *colour = true; v[0] = glState.clearDepth; return 1;
        case GL_LIGHT_MODEL_AMBIENT: *colour = true; return copy(glState.lightModelAmbient, 4);
        case GL_LIGHT_MODEL_TWO_SIDE: v[0] = glState.twoSided; return 1;
        case GL_LIGHT_MODEL_LOCAL_VIEWER: v[0] = glState.localViewer; return 1;
        case GL_SHADE_MODEL: v[0] = glState.shadeModel; return 1;
        case GL_FRONT_FACE: v[0] = r.frontFace; return 1;
        case GL_CULL_FACE_MODE: v[0] = r.cullMode; return 1;
        case GL_BLEND_SRC: v[0] = r.blendSource; return 1;
        case GL_BLEND_DST: v[0] = r.blendDestination; return 1;
        case GL_DEPTH_FUNC: v[0] = r.depthFunc; return 1;
        case GL_DEPTH_WRITEMASK: v[0] = r.depthMask; return 1;
        case GL_COLOR_WRITEMASK: for (int i = 0; i < 4; ++i) v[i] = r.colourMask[i]; return 4;
        case GL_TEXTURE_BINDING_1D: v[0] = glState.binding1D; return 1;
        case GL_TEXTURE_BINDING_2D: v[0] = glState.binding2D; return 1;
        case GL_RED_BITS: case GL_GREEN_BITS: case GL_BLUE_BITS: v[0] = 8; return 1;
        case GL_ALPHA_BITS: case GL_STENCIL_BITS: v[0] = 0; return 1;
        case GL_DEPTH_BITS: v[0] = 24; return 1;
        case GL_DOUBLEBUFFER: case GL_RGBA_MODE: v[0] = 1; return 1;
        case GL_UNPACK_ALIGNMENT: v[0] = glState.unpack.alignment; return 1;
        case GL_UNPACK_ROW_LENGTH: v[0] = glState.unpack.rowLength; return 1;
        case GL_UNPACK_SKIP_ROWS: v[0] = glState.unpack.skipRows; return 1;
        case GL_UNPACK_SKIP_PIXELS: v[0] = glState.unpack.skipPixels; return 1;
        case GL_UNPACK_SWAP_BYTES: v[0] = glState.unpack.swapBytes; return 1;
        case GL_UNPACK_LSB_FIRST: v[0] = glState.unpack.lsbFirst; return 1;
        case GL_UNPACK_IMAGE_HEIGHT: v[0] = glState.unpack.imageHeight; return 1;
        case GL_UNPACK_SKIP_IMAGES: v[0] = glState.unpack.skipImages; return 1;
        case GL_PACK_ALIGNMENT: v[0] = glState.pack.alignment; return 1;
        case GL_PACK_ROW_LENGTH: v[0] = glState.pack.rowLength; return 1;
        case GL_PACK_SKIP_ROWS: v[0] = glState.pack.skipRows; return 1;
        case GL_PACK_SKIP_PIXELS: v[0] = glState.pack.skipPixels; return 1;
        case GL_PACK_SWAP_BYTES: v[0] = glState.pack.swapBytes; return 1;
        case GL_PACK_LSB_FIRST: v[0] = glState.pack.lsbFirst; return 1;
        case GL_PACK_IMAGE_HEIGHT: v[0] = glState.pack.imageHeight; return 1;
        case GL_PACK_SKIP_IMAGES: v[0] = glState.pack.skipImages; return 1;
        default: return 0;
    }
}

int query(GLenum pname, double* v, bool* colour) {
    if (insideBeginEnd()) return 0;
    startContext();
    const int count = queryState(pname, v, colour);
    if (count == 0) setError(GL_INVALID_ENUM);
    return count;
}

}  // namespace

extern "C" {

GLenum glGetError() {
    if (glState.inBeginEnd) {
        setError(GL_INVALID_OPERATION);
        return GL_NO_ERROR;
    }
    const GLenum error = glState.error;
    glState.error = GL_NO_ERROR;
    if (error != GL_NO_ERROR) return error;
    return GLenum(backendError());
}

void glEnable(GLenum cap) { setCapability(cap, true); }
void glDisable(GLenum cap) { setCapability(cap, false); }

GLboolean glIsEnabled(GLenum cap) {
    if (insideBeginEnd()) return GL_FALSE;
    const bool* flag = capability(cap);
    if (!flag) {
        setError(GL_INVALID_ENUM);
        return GL_FALSE;
    }
    return *flag;
}

void glGetDoublev(GLenum pname, GLdouble* params) {
    double v[16];
    bool colour;
    const int count = query(pname, v, &colour);
    for (int i = 0; i < count; ++i) params[i] = v[i];
}

void glGetFloatv(GLenum pname, GLfloat* params) {
    double v[16];
    bool colour;
    const int count = query(pname, v, &colour);
    for (int i = 0; i < count; ++i) params[i] = GLfloat(v[i]);
}

void glGetIntegerv(GLenum pname, GLint* params) {
    double v[16];
    bool colour;
    const int count = query(pname, v, &colour);
    for (int i = 0; i < count; ++i) {
        if (colour) params[i] = GLint(std::lround((v[i] < -1 ? -1 : v[i] > 1 ? 1 : v[i]) * 2147483647.0));
        else params[i] = GLint(std::lround(v[i]));
    }
}

void glGetBooleanv(GLenum pname, GLboolean* params) {
    double v[16];
    bool colour;
    const int count = query(pname, v, &colour);
    for (int i = 0; i < count; ++i) params[i] = v[i] != 0 ? GL_TRUE : GL_FALSE;
}

const GLubyte* glGetString(GLenum name) {
    if (insideBeginEnd()) return nullptr;
    switch (name) {
        case GL_VENDOR: return reinterpret_cast<const GLubyte*>("Talvenor");
        case GL_RENDERER: return reinterpret_cast<const GLubyte*>("Talvenor fixed-function layer on WebGL 2");
        case GL_VERSION: return reinterpret_cast<const GLubyte*>("1.1");
        case GL_EXTENSIONS: return reinterpret_cast<const GLubyte*>("");
        default: setError(GL_INVALID_ENUM); return nullptr;
    }
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (insideBeginEnd()) return;
    if (width < 0 || height < 0) return setError(GL_INVALID_VALUE);
    // Kept as given: clamped to the largest viewport as it is known when asked for, or drawn.
    GLint* v = glState.raster.viewport;
    v[0] = x, v[1] = y, v[2] = width, v[3] = height;
    glState.rasterStateChanged = true;
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (insideBeginEnd()) return;
    if (width < 0 || height < 0) return setError(GL_INVALID_VALUE);
    GLint* s = glState.raster.scissor;
    s[0] = x, s[1] = y, s[2] = width, s[3] = height;
    glState.rasterStateChanged = true;
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    if (insideBeginEnd()) return;
    const float c[4] = {r, g, b, a};
    for (int i = 0; i < 4; ++i) glState.clearColour[i] = c[i] < 0 ? 0 : c[i] > 1 ? 1 : c[i];
}

void glClearDepth(GLclampd depth) {
    if (insideBeginEnd()) return;
    glState.clearDepth = float(depth < 0 ? 0 : depth > 1 ? 1 : depth);
}

void glBlendFunc(GLenum source, GLenum destination) {
    if (insideBeginEnd()) return;
    if (!isBlendFactor(source, true) || !isBlendFactor(destination, false)) return setError(GL_INVALID_ENUM);
    glState.raster.blendSource = source;
    glState.raster.blendDestination = destination;
    glState.rasterStateChanged = true;
}

void glDepthFunc(GLenum func) {
    if (insideBeginEnd()) return;
    if (func < GL_NEVER || func > GL_ALWAYS) return setError(GL_INVALID_ENUM);
    glState.raster.depthFunc = func;
    glState.rasterStateChanged = true;
}

void glDepthMask(GLboolean flag) {
    if (insideBeginEnd()) return;
    glState.raster.depthMask = flag != GL_FALSE;
    glState.rasterStateChanged = true;
}

void glColorMask(GLboolean r, GLboolean g, GLboolean b, GLboolean a) {
    if (insideBeginEnd()) return;
    bool* m = glState.raster.colourMask;
    m[0] = r != GL_FALSE, m[1] = g != GL_FALSE, m[2] = b != GL_FALSE, m[3] = a != GL_FALSE;
    glState.rasterStateChanged = true;
}

void glCullFace(GLenum mode) {
    if (insideBeginEnd()) return;
    if (mode != GL_FRONT && mode != GL_BACK && mode != GL_FRONT_AND_BACK) return setError(GL_INVALID_ENUM);
    glState.raster.cullMode = mode;
    glState.rasterStateChanged = true;
}

void glFrontFace(GLenum mode) {
    if (insideBeginEnd()) return;
    if (mode != GL_CW && mode != GL_CCW) return setError(GL_INVALID_ENUM);
    glState.raster.frontFace = mode;
    glState.rasterStateChanged = true;
}

void glHint(GLenum target, GLenum mode) {
    if (insideBeginEnd()) return;
    const bool knownTarget = target == GL_PERSPECTIVE_CORRECTION_HINT || target == GL_POINT_SMOOTH_HINT ||
                             target == GL_LINE_SMOOTH_HINT || target == GL_POLYGON_SMOOTH_HINT || target == GL_FOG_HINT;
    if (!knownTarget || (mode != GL_FASTEST && mode != GL_NICEST && mode != GL_DONT_CARE)) setError(GL_INVALID_ENUM);
    // Hints may be ignored: perspective-correct interpolation is always done.
}

void glDrawBuffer(GLenum mode) {
    if (insideBeginEnd()) return;
    if (mode != GL_BACK && mode != GL_FRONT && mode != GL_FRONT_AND_BACK) setError(GL_INVALID_ENUM);
    // The browser shows the one drawing buffer; front and back are the same.
}

void glReadBuffer(GLenum mode) {
    if (insideBeginEnd()) return;
    if (mode != GL_BACK && mode != GL_FRONT) setError(GL_INVALID_ENUM);
}

void glFlush() {
    if (insideBeginEnd()) return;
    startContext();
    endFrame(true);  // may wait for its shader programs (layerFrameWaiting)
    backendFlush();
}

void glFinish() {
    if (insideBeginEnd()) return;
    startContext();
    endFrame(false);  // drawn now, the programs' compile waited for
    backendFinish();
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels) {
    if (insideBeginEnd()) return;
    if (width < 0 || height < 0) return setError(GL_INVALID_VALUE);
    int components = 0;
    switch (format) {
        case GL_RGB: case GL_BGR: components = 3; break;
        case GL_RGBA: case GL_BGRA: components = 4; break;
        default: return setError(GL_INVALID_ENUM);
    }
    if (type != GL_UNSIGNED_BYTE) return setError(GL_INVALID_ENUM);
    if (width == 0 || height == 0) return;
    startContext();
    flushBatch();
    unsigned char* rgba = static_cast<unsigned char*>(malloc(size_t(width) * size_t(height) * 4));
    if (!rgba) return setError(GL_OUT_OF_MEMORY);
    backendReadPixels(x, y, width, height, rgba);
    const PixelStore& p = glState.pack;
    const size_t rowPixels = p.rowLength > 0 ? size_t(p.rowLength) : size_t(width);
    const size_t alignment = size_t(p.alignment);
    const size_t stride = (rowPixels * components + alignment - 1) / alignment * alignment;
    unsigned char* out = static_cast<unsigned char*>(pixels) + size_t(p.skipRows) * stride + size_t(p.skipPixels) * components;
    const bool bgr = format == GL_BGR || format == GL_BGRA;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            const unsigned char* in = rgba + (size_t(row) * width + column) * 4;
            unsigned char* o = out + row * stride + size_t(column) * components;
            o[0] = bgr ? in[2] : in[0];
            o[1] = in[1];
            o[2] = bgr ? in[0] : in[2];
            if (components == 4) o[3] = in[3];
        }
    free(rgba);
}

}  // extern "C"

bool layerRestoreContext() {
    if (glState.inBeginEnd) return false;
    dropWaitingFrame();  // it names the lost context's programs; the program draws anew
    if (!backendRecreate()) return false;
    glState.rasterStateChanged = true;  // the next draw sets every per-fragment state anew
    return true;
}
