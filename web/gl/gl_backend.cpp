// SPDX-License-Identifier: MIT
// gl_backend.cpp - the batch drawn with WebGL 2, through emscripten's emscripten_gl* names (the
// plain gl* names are the layer's own).
#include "web/gl/gl_backend.h"

#include <GLES3/gl3.h>
#include <emscripten/html5_webgl.h>
#include <webgl/webgl1.h>
#include <webgl/webgl2.h>

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

struct Backend {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;  // the context the objects below belong to
    GLuint program = 0;
    GLuint vertexArray = 0;
    GLuint buffer = 0;
    GLsizeiptr bufferSize = 0;
    GLint textureModeLocation = -1;
    GLint textureFunctionLocation = -1;
    GLint hasColourLocation = -1;
    GLint hasAlphaLocation = -1;
    GLint envColourLocation = -1;
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
    const int mode = s.texture == 0 ? 0 : s.texture1D ? 1 : 2;
    const int lastMode = l.texture == 0 ? 0 : l.texture1D ? 1 : 2;
    if (all || mode != lastMode) emscripten_glUniform1i(backend.textureModeLocation, mode);
    if (s.texture != 0 && s.texture != backend.boundTexture) {
        emscripten_glBindTexture(GL_TEXTURE_2D, s.texture);
        backend.boundTexture = s.texture;
    }
    if (all || s.textureFunction != l.textureFunction)
        emscripten_glUniform1i(backend.textureFunctionLocation, textureFunctionIndex(s.textureFunction));
    if (all || s.textureHasColour != l.textureHasColour) emscripten_glUniform1i(backend.hasColourLocation, s.textureHasColour);
    if (all || s.textureHasAlpha != l.textureHasAlpha) emscripten_glUniform1i(backend.hasAlphaLocation, s.textureHasAlpha);
    if (all || memcmp(s.textureEnvColour, l.textureEnvColour, sizeof s.textureEnvColour) != 0)
        emscripten_glUniform4fv(backend.envColourLocation, 1, s.textureEnvColour);
    l = s;
    backend.applied = true;
}

// The browser's GL may have been left bound to anything between two batches (a texture upload
// binds its texture); these are set again at the start of each one.
void bindForBatch() {
    emscripten_glUseProgram(backend.program);
    emscripten_glBindVertexArray(backend.vertexArray);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, backend.buffer);
    emscripten_glActiveTexture(GL_TEXTURE0);
    backend.boundTexture = 0;
}

}  // namespace

bool backendStart() {
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
    if (context == 0) return false;
    if (context == backend.context) return true;
    backend = Backend{};
    backend.context = context;

    const GLuint vertexShader = compileShader(GL_VERTEX_SHADER, kVertexShaderSource);
    const GLuint fragmentShader = compileShader(GL_FRAGMENT_SHADER, kFragmentShaderSource);
    backend.program = emscripten_glCreateProgram();
    emscripten_glAttachShader(backend.program, vertexShader);
    emscripten_glAttachShader(backend.program, fragmentShader);
    emscripten_glLinkProgram(backend.program);
    emscripten_glDeleteShader(vertexShader);
    emscripten_glDeleteShader(fragmentShader);
    emscripten_glUseProgram(backend.program);
    backend.textureModeLocation = emscripten_glGetUniformLocation(backend.program, "textureMode");
    backend.textureFunctionLocation = emscripten_glGetUniformLocation(backend.program, "textureFunction");
    backend.hasColourLocation = emscripten_glGetUniformLocation(backend.program, "hasColour");
    backend.hasAlphaLocation = emscripten_glGetUniformLocation(backend.program, "hasAlpha");
    backend.envColourLocation = emscripten_glGetUniformLocation(backend.program, "envColour");
    emscripten_glUniform1i(emscripten_glGetUniformLocation(backend.program, "image"), 0);

    emscripten_glGenVertexArrays(1, &backend.vertexArray);
    emscripten_glBindVertexArray(backend.vertexArray);
    emscripten_glGenBuffers(1, &backend.buffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, backend.buffer);
    for (GLuint attribute = 0; attribute < 4; ++attribute) {
        emscripten_glEnableVertexAttribArray(attribute);
        emscripten_glVertexAttribPointer(attribute, 4, GL_FLOAT, GL_FALSE, sizeof(LayerVertex),
                                         reinterpret_cast<const void*>(uintptr_t(16 * attribute)));
    }
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, 1);
    return true;
}

void backendDraw(const LayerVertex* vertices, int vertexCount, const DrawCommand* commands, int commandCount) {
    if (!backendStart()) return;
    bindForBatch();
    if (vertexCount > 0) {
        const GLsizeiptr bytes = GLsizeiptr(vertexCount) * GLsizeiptr(sizeof(LayerVertex));
        if (bytes > backend.bufferSize) {
            emscripten_glBufferData(GL_ARRAY_BUFFER, bytes, vertices, GL_STREAM_DRAW);
            backend.bufferSize = bytes;
        } else {
            emscripten_glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, vertices);
        }
    }
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
            emscripten_glDrawArrays(kModes[c.state.kind], c.first, c.count);
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
    if (backendStart()) emscripten_glFinish();
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
