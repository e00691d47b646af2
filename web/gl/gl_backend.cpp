// SPDX-License-Identifier: MIT
// gl_backend.cpp - the batch drawn with WebGL 2, through emscripten's emscripten_gl* names (the
// plain gl* names are the layer's own).
#include "web/gl/gl_backend.h"

#include <GLES3/gl3.h>
#include <emscripten/html5_webgl.h>
#include <webgl/webgl1.h>
#include <webgl/webgl2.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "web/gl/shaders.h"

bool operator==(const RasterState& a, const RasterState& b) {
    return a.kind == b.kind && memcmp(a.viewport, b.viewport, sizeof a.viewport) == 0 && a.blend == b.blend &&
           a.blendSource == b.blendSource && a.blendDestination == b.blendDestination &&
           a.depthTest == b.depthTest && a.depthFunc == b.depthFunc && a.depthMask == b.depthMask &&
           memcmp(a.colourMask, b.colourMask, sizeof a.colourMask) == 0 && a.cullFace == b.cullFace &&
           a.cullMode == b.cullMode && a.frontFace == b.frontFace && a.scissorTest == b.scissorTest &&
           memcmp(a.scissor, b.scissor, sizeof a.scissor) == 0 && a.texture == b.texture &&
           a.texture1D == b.texture1D && a.textureFunction == b.textureFunction &&
           a.textureHasColour == b.textureHasColour && a.textureHasAlpha == b.textureHasAlpha &&
           memcmp(a.textureEnvColour, b.textureEnvColour, sizeof a.textureEnvColour) == 0;
}

namespace {

// One shader program for each texturing case: mode (off, 1-D, 2-D) by function.
struct Program {
    GLuint name = 0;
    GLint hasColourLocation = -1;
    GLint hasAlphaLocation = -1;
    GLint envColourLocation = -1;
};

struct Backend {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;  // the context the objects below belong to
    Program programs[3][4];
    const Program* current = nullptr;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    bool applied = false;  // `last` holds the state set in the browser's GL
    RasterState last;
    unsigned boundTexture = 0;
};
Backend backend;

GLuint compileShader(GLenum type, const char* source) {
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    GLint ok = 0;
    emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = "";
        emscripten_glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        fprintf(stderr, "GL layer: shader not compiled: %s\n", log);
    }
    return shader;
}

void setEnabled(GLenum capability, bool on) {
    if (on) emscripten_glEnable(capability);
    else emscripten_glDisable(capability);
}

int textureFunctionIndex(unsigned function) {
    switch (function) {
        case GL_REPLACE: return 1;
        case 0x2101: return 2;  // GL_DECAL
        case GL_BLEND: return 3;
        default: return 0;      // GL_MODULATE
    }
}

const Program& programFor(int mode, int function) {
    Program& p = backend.programs[mode][function];
    if (p.name != 0) return p;
    char header[96];
    snprintf(header, sizeof header, "#version 300 es\n#define TEXTURE_MODE %d\n#define TEXTURE_FUNCTION %d\n", mode,
             function);
    char source[4096];
    snprintf(source, sizeof source, "%s%s", header, kFragmentShaderSource);
    const GLuint vertexShader = compileShader(GL_VERTEX_SHADER, kVertexShaderSource);
    const GLuint fragmentShader = compileShader(GL_FRAGMENT_SHADER, source);
    p.name = emscripten_glCreateProgram();
    emscripten_glAttachShader(p.name, vertexShader);
    emscripten_glAttachShader(p.name, fragmentShader);
    emscripten_glLinkProgram(p.name);
    emscripten_glDeleteShader(vertexShader);
    emscripten_glDeleteShader(fragmentShader);
    emscripten_glUseProgram(p.name);
    p.hasColourLocation = emscripten_glGetUniformLocation(p.name, "hasColour");
    p.hasAlphaLocation = emscripten_glGetUniformLocation(p.name, "hasAlpha");
    p.envColourLocation = emscripten_glGetUniformLocation(p.name, "envColour");
    emscripten_glUniform1i(emscripten_glGetUniformLocation(p.name, "image"), 0);
    backend.current = &p;
    return p;
}

// Sets in the browser's GL whatever differs from the state set last.
void applyState(const RasterState& s, bool forClear) {
    RasterState& l = backend.last;
    const bool all = !backend.applied;
    if (all || memcmp(s.viewport, l.viewport, sizeof s.viewport) != 0)
        emscripten_glViewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
    if (all || s.scissorTest != l.scissorTest) setEnabled(GL_SCISSOR_TEST, s.scissorTest);
    if (all || memcmp(s.scissor, l.scissor, sizeof s.scissor) != 0)
        emscripten_glScissor(s.scissor[0], s.scissor[1], s.scissor[2], s.scissor[3]);
    if (all || memcmp(s.colourMask, l.colourMask, sizeof s.colourMask) != 0)
        emscripten_glColorMask(s.colourMask[0], s.colourMask[1], s.colourMask[2], s.colourMask[3]);
    if (all || s.depthMask != l.depthMask) emscripten_glDepthMask(s.depthMask);
    memcpy(l.viewport, s.viewport, sizeof s.viewport);
    memcpy(l.scissor, s.scissor, sizeof s.scissor);
    memcpy(l.colourMask, s.colourMask, sizeof s.colourMask);
    l.scissorTest = s.scissorTest;
    l.depthMask = s.depthMask;
    if (forClear) {
        backend.applied = true;
        return;
    }
    if (all || s.blend != l.blend) setEnabled(GL_BLEND, s.blend);
    if (all || s.blendSource != l.blendSource || s.blendDestination != l.blendDestination)
        emscripten_glBlendFunc(s.blendSource, s.blendDestination);
    if (all || s.depthTest != l.depthTest) setEnabled(GL_DEPTH_TEST, s.depthTest);
    if (all || s.depthFunc != l.depthFunc) emscripten_glDepthFunc(s.depthFunc);
    if (all || s.cullFace != l.cullFace) setEnabled(GL_CULL_FACE, s.cullFace);
    if (all || s.cullMode != l.cullMode) emscripten_glCullFace(s.cullMode);
    if (all || s.frontFace != l.frontFace) emscripten_glFrontFace(s.frontFace);
    const Program& program = programFor(s.texture == 0 ? 0 : s.texture1D ? 1 : 2,
                                        s.texture == 0 ? 0 : textureFunctionIndex(s.textureFunction));
    if (&program != backend.current) {
        emscripten_glUseProgram(program.name);
        backend.current = &program;
    }
    if (s.texture != 0) {
        if (s.texture != backend.boundTexture) {
            emscripten_glBindTexture(GL_TEXTURE_2D, s.texture);
            backend.boundTexture = s.texture;
        }
        // Only GL_REPLACE and GL_BLEND read these; the scene's textures all modulate.
        if (s.textureFunction == GL_REPLACE || s.textureFunction == GL_BLEND) {
            emscripten_glUniform1i(program.hasColourLocation, s.textureHasColour);
            emscripten_glUniform1i(program.hasAlphaLocation, s.textureHasAlpha);
            emscripten_glUniform4fv(program.envColourLocation, 1, s.textureEnvColour);
        }
    }
    l = s;
    backend.applied = true;
}

// The browser's GL may have been left bound to anything between two batches (a texture upload
// binds its texture); these are set again at the start of each one.
void bindForBatch() {
    emscripten_glBindVertexArray(backend.vertexArray);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, backend.vertexBuffer);
    emscripten_glActiveTexture(GL_TEXTURE0);
    backend.boundTexture = 0;
}

// Gives `target` a new store holding `bytes`: the browser then need not wait for draws that
// still read the old one.
void upload(GLenum target, const void* data, GLsizeiptr bytes) {
    emscripten_glBufferData(target, bytes, data, GL_STREAM_DRAW);
}

}  // namespace

bool backendStart() {
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
    if (context == 0) return false;
    if (context == backend.context) return true;
    backend = Backend{};
    backend.context = context;

    emscripten_glGenVertexArrays(1, &backend.vertexArray);
    emscripten_glBindVertexArray(backend.vertexArray);
    emscripten_glGenBuffers(1, &backend.vertexBuffer);
    emscripten_glGenBuffers(1, &backend.indexBuffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, backend.vertexBuffer);
    emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, backend.indexBuffer);  // kept by the vertex array
    const GLsizei stride = sizeof(BatchVertex);
    emscripten_glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offsetof(BatchVertex, clip)));
    emscripten_glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offsetof(BatchVertex, stq)));
    emscripten_glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<const void*>(offsetof(BatchVertex, front)));
    emscripten_glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<const void*>(offsetof(BatchVertex, back)));
    for (GLuint attribute = 0; attribute < 4; ++attribute) emscripten_glEnableVertexAttribArray(attribute);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, 1);
    return true;
}

void backendDraw(const BatchVertex* vertices, int vertexCount, const unsigned* indices, int indexCount,
                 const DrawCommand* commands, int commandCount) {
    if (!backendStart()) return;
    bindForBatch();
    if (vertexCount > 0) upload(GL_ARRAY_BUFFER, vertices, GLsizeiptr(vertexCount) * GLsizeiptr(sizeof(BatchVertex)));
    if (indexCount > 0) upload(GL_ELEMENT_ARRAY_BUFFER, indices, GLsizeiptr(indexCount) * 4);
    static const GLenum kModes[] = {GL_POINTS, GL_LINES, GL_TRIANGLES};
    for (int i = 0; i < commandCount; ++i) {
        const DrawCommand& c = commands[i];
        applyState(c.state, c.clear);
        if (c.clear) {
            if (c.clearMask & GL_COLOR_BUFFER_BIT)
                emscripten_glClearColor(c.clearColour[0], c.clearColour[1], c.clearColour[2], c.clearColour[3]);
            if (c.clearMask & GL_DEPTH_BUFFER_BIT) emscripten_glClearDepthf(c.clearDepth);
            emscripten_glClear(c.clearMask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
        } else if (c.count > 0) {
            emscripten_glDrawElements(kModes[c.state.kind], c.count, GL_UNSIGNED_INT,
                                      reinterpret_cast<const void*>(uintptr_t(c.first) * 4));
        }
    }
}

unsigned backendCreateTexture() {
    if (!backendStart()) return 0;
    GLuint texture = 0;
    emscripten_glGenTextures(1, &texture);
    return texture;
}

void backendDeleteTexture(unsigned texture) {
    if (texture == 0 || !backendStart()) return;
    emscripten_glDeleteTextures(1, &texture);
    if (backend.boundTexture == texture) backend.boundTexture = 0;
}

void backendTextureImage(unsigned texture, int level, int width, int height, const unsigned char* rgba) {
    if (texture == 0 || !backendStart()) return;
    emscripten_glActiveTexture(GL_TEXTURE0);
    emscripten_glBindTexture(GL_TEXTURE_2D, texture);
    backend.boundTexture = texture;
    emscripten_glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void backendTextureParameters(unsigned texture, unsigned minFilter, unsigned magFilter, unsigned wrapS, unsigned wrapT) {
    if (texture == 0 || !backendStart()) return;
    emscripten_glActiveTexture(GL_TEXTURE0);
    emscripten_glBindTexture(GL_TEXTURE_2D, texture);
    backend.boundTexture = texture;
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(minFilter));
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(magFilter));
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GLint(wrapS));
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GLint(wrapT));
}

void backendReadPixels(int x, int y, int width, int height, unsigned char* rgba) {
    if (!backendStart()) return;
    emscripten_glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void backendFlush() {
    if (backendStart()) emscripten_glFlush();
}

void backendFinish() {
    if (!backendStart()) return;
    // The browser's finish may return before its GPU process has drawn; reading a pixel back
    // waits for that, as glFinish must.
    emscripten_glFinish();
    unsigned char pixel[4];
    emscripten_glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
}

unsigned backendError() {
    return backendStart() ? emscripten_glGetError() : GL_NO_ERROR;
}

int backendMaxTextureSize() {
    GLint size = 2048;  // WebGL 2's least
    if (backendStart()) emscripten_glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size;
}

void backendDrawingBufferSize(int* width, int* height) {
    *width = *height = 0;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
    if (context != 0) emscripten_webgl_get_drawing_buffer_size(context, width, height);
}
