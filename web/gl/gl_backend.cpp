// SPDX-License-Identifier: MIT
// gl_backend.cpp - the batch drawn with WebGL 2, through emscripten's emscripten_gl* names (the
// plain gl* names are the layer's own).
//
// The vertex and index buffers are made once, as large as the batch's streams, and the record
// tables once as RGBA float textures of their full size; each draw sends only the stretches the
// batch reports changed (bufferSubData, texSubImage2D). The texture images are kept here as well
// as in the browser, so that every object can be made again (backendRecreate).
//
// The shader programs (one for each case of flat shading, texturing mode and texture function)
// are made when a batch first needs them, all that it needs at once: every shader is compiled
// and every program linked before any of their statuses, logs or uniform locations is asked,
// since each such question waits for the browser to finish the compile it names. The browser
// can then compile them side by side, and where the context offers KHR_parallel_shader_compile
// the batch can ask whether they are done without waiting (backendProgramsPending) and draw a
// frame only once they are.
#include "web/gl/gl_backend.h"

#include <GLES3/gl3.h>
#include <emscripten/em_js.h>
#include <emscripten/em_macros.h>
#include <emscripten/html5_webgl.h>
#include <webgl/webgl1.h>
#include <webgl/webgl2.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "web/gl/shaders.h"

bool operator==(const RasterState& a, const RasterState& b) {
    return a.kind == b.kind && memcmp(a.viewport, b.viewport, sizeof a.viewport) == 0 && a.blend == b.blend &&
           a.blendSource == b.blendSource && a.blendDestination == b.blendDestination &&
           a.flat == b.flat && a.depthTest == b.depthTest && a.depthFunc == b.depthFunc && a.depthMask == b.depthMask &&
           memcmp(a.colourMask, b.colourMask, sizeof a.colourMask) == 0 && a.cullFace == b.cullFace &&
           a.cullMode == b.cullMode && a.frontFace == b.frontFace && a.scissorTest == b.scissorTest &&
           memcmp(a.scissor, b.scissor, sizeof a.scissor) == 0 && a.texture == b.texture &&
           a.texture1D == b.texture1D && a.textureFunction == b.textureFunction &&
           a.textureHasColour == b.textureHasColour && a.textureHasAlpha == b.textureHasAlpha &&
           memcmp(a.textureEnvColour, b.textureEnvColour, sizeof a.textureEnvColour) == 0;
}

namespace {

// One shader program for each case: flat or smooth, by texturing mode (off, 1-D, 2-D), by function.
// Made (compiled and linked) first; ready once its link status has been asked and its uniforms
// found and set, which waits for the browser's compile.
struct Program {
    GLuint name = 0;            // 0: not made yet
    GLuint shaders[2] = {0, 0};  // vertex and fragment, kept until the link status is asked
    bool complete = false;       // the browser said its compile is done (KHR_parallel_shader_compile)
    bool ready = false;
    GLint hasColourLocation = -1;
    GLint hasAlphaLocation = -1;
    GLint envColourLocation = -1;
};

// What the backend keeps of each texture it made, so that it can be made again: its images,
// tightly packed RGBA, and its parameters.
struct KeptTexture {
    bool inUse = false;
    GLuint name = 0;  // the browser's texture, in the context current now
    unsigned char* levels[15] = {};
    int width[15] = {};
    int height[15] = {};
    unsigned parameters[4] = {};  // set when made: all zero, the table costs the program no data
};
constexpr int kMaxTextures = 512;

struct Backend {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;  // the context the objects below belong to
    bool parallel = false;  // the context offers KHR_parallel_shader_compile (enabled)
    Program programs[2][3][4];
    const Program* current = nullptr;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    GLuint tables[kRecordTables] = {};
    bool fresh = true;  // the buffers and tables hold nothing yet: the next draw sends all in use
    bool applied = false;  // `last` holds the state set in the browser's GL
    RasterState last;
    unsigned boundTexture = 0;  // on texture unit 0
    int activeUnit = 0;
};
Backend backend;
KeptTexture kept[kMaxTextures + 1];  // [0] unused: handle 0 is no texture

// This frame's counts, and the last frame's.
double frameBytes = 0, frameDraws = 0, frameWork = 0;
double lastFrameBytes = 0, lastFrameDraws = 0;

constexpr GLenum kCompletionStatus = 0x91B1;  // COMPLETION_STATUS_KHR

// Started: the browser compiles it while the caller goes on.
GLuint compileShader(GLenum type, const char* source) {
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
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

const char* const kTableNames[kRecordTables] = {"modelViews", "projections", "lightSets", "materials"};

Program& programOf(const RasterState& s, int* mode = nullptr, int* function = nullptr) {
    const int m = s.texture == 0 ? 0 : s.texture1D ? 1 : 2;
    const int f = s.texture == 0 ? 0 : textureFunctionIndex(s.textureFunction);
    if (mode) *mode = m, *function = f;
    return backend.programs[s.flat][m][f];
}

// Compiled and linked, nothing asked: the shaders' sources with the case's definitions in front.
void makeProgram(Program& p, bool flat, int mode, int function) {
    static char vertexSource[8192];
    static char fragmentSource[4096];
    char header[128];
    snprintf(header, sizeof header, "#version 300 es\n#define FLAT %d\n#define TEXTURE_MODE %d\n#define TEXTURE_FUNCTION %d\n",
             flat ? 1 : 0, mode, function);
    snprintf(vertexSource, sizeof vertexSource, "%s%s", header, kVertexShaderSource);
    snprintf(fragmentSource, sizeof fragmentSource, "%s%s", header, kFragmentShaderSource);
    p.shaders[0] = compileShader(GL_VERTEX_SHADER, vertexSource);
    p.shaders[1] = compileShader(GL_FRAGMENT_SHADER, fragmentSource);
    p.name = emscripten_glCreateProgram();
    emscripten_glAttachShader(p.name, p.shaders[0]);
    emscripten_glAttachShader(p.name, p.shaders[1]);
    emscripten_glLinkProgram(p.name);
}

// Every program the commands draw with that is not made yet, made.
void makePrograms(const DrawCommand* commands, int count) {
    for (int i = 0; i < count; ++i) {
        if (commands[i].clear) continue;
        int mode = 0, function = 0;
        Program& p = programOf(commands[i].state, &mode, &function);
        if (p.name == 0) makeProgram(p, commands[i].state.flat, mode, function);
    }
}

// The link status asked (waiting for the compile where it is not done), what went wrong told,
// and the uniforms found and set: the record tables on units 1 to 4, the image on unit 0.
void finishProgram(Program& p) {
    GLint linked = 0;
    emscripten_glGetProgramiv(p.name, GL_LINK_STATUS, &linked);
    if (!linked && !emscripten_is_webgl_context_lost(backend.context)) {
        char log[1024] = "";
        bool told = false;
        for (GLuint shader : p.shaders) {
            GLint compiled = 0;
            emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
            if (compiled) continue;
            emscripten_glGetShaderInfoLog(shader, sizeof log, nullptr, log);
            fprintf(stderr, "GL layer: shader not compiled: %s\n", log);
            told = true;
        }
        if (!told) {
            emscripten_glGetProgramInfoLog(p.name, sizeof log, nullptr, log);
            fprintf(stderr, "GL layer: shader program not linked: %s\n", log);
        }
    }
    for (GLuint& shader : p.shaders) {
        emscripten_glDeleteShader(shader);  // attached: it goes with the program
        shader = 0;
    }
    emscripten_glUseProgram(p.name);
    p.hasColourLocation = emscripten_glGetUniformLocation(p.name, "hasColour");
    p.hasAlphaLocation = emscripten_glGetUniformLocation(p.name, "hasAlpha");
    p.envColourLocation = emscripten_glGetUniformLocation(p.name, "envColour");
    emscripten_glUniform1i(emscripten_glGetUniformLocation(p.name, "image"), 0);
    for (int t = 0; t < kRecordTables; ++t)
        emscripten_glUniform1i(emscripten_glGetUniformLocation(p.name, kTableNames[t]), 1 + t);
    backend.current = &p;
    p.ready = true;
}

// Texture unit 0 takes the textures the fragments sample, and texture uploads; units 1 to 4 hold
// the record tables, bound once when they are made. The vertex array and the vertex buffer stay
// bound from then on too: nothing else binds either.
void activeUnit(int unit) {
    if (backend.activeUnit == unit) return;
    emscripten_glActiveTexture(GL_TEXTURE0 + unit);
    backend.activeUnit = unit;
}

void bindTexture(unsigned texture) {
    activeUnit(0);
    emscripten_glBindTexture(GL_TEXTURE_2D, kept[texture].name);
    backend.boundTexture = texture;
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
    const Program& program = programOf(s);  // ready: backendDraw finished it
    if (&program != backend.current) {
        emscripten_glUseProgram(program.name);
        backend.current = &program;
    }
    if (s.texture != 0) {
        if (s.texture != backend.boundTexture) bindTexture(s.texture);
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

void uploadBuffer(GLenum target, const void* data, int elementBytes, int begin, int end) {
    if (end <= begin) return;
    const GLsizeiptr bytes = GLsizeiptr(end - begin) * elementBytes;
    emscripten_glBufferSubData(target, GLintptr(begin) * elementBytes, bytes,
                               static_cast<const char*>(data) + size_t(begin) * elementBytes);
    frameBytes += double(bytes);
}

// Rows [begin, end) of a record table (the texture unit 1 + table is bound to it).
void uploadRows(int table, const float* texels, int begin, int end) {
    if (end <= begin) return;
    activeUnit(1 + table);
    emscripten_glTexSubImage2D(GL_TEXTURE_2D, 0, 0, begin, kRecordWidth[table], end - begin, GL_RGBA, GL_FLOAT,
                               texels + size_t(begin) * kRecordWidth[table] * 4);
    frameBytes += double(end - begin) * kRecordWidth[table] * 16;
}

// The buffers, the record tables and the vertex layout, made in the context current now.
void makeStreams(int vertexCapacity, int indexCapacity) {
    emscripten_glGenVertexArrays(1, &backend.vertexArray);
    emscripten_glBindVertexArray(backend.vertexArray);
    emscripten_glGenBuffers(1, &backend.vertexBuffer);
    emscripten_glGenBuffers(1, &backend.indexBuffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, backend.vertexBuffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertexCapacity) * GLsizeiptr(sizeof(BatchVertex)), nullptr,
                            GL_DYNAMIC_DRAW);
    emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, backend.indexBuffer);  // kept by the vertex array
    emscripten_glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indexCapacity) * 4, nullptr, GL_DYNAMIC_DRAW);
    const GLsizei stride = sizeof(BatchVertex);
    auto at = [](size_t offset) { return reinterpret_cast<const void*>(offset); };
    emscripten_glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride, at(offsetof(BatchVertex, position)));
    emscripten_glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(BatchVertex, normal)));
    emscripten_glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, stride, at(offsetof(BatchVertex, tex)));
    emscripten_glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, at(offsetof(BatchVertex, colour)));
    emscripten_glVertexAttribIPointer(4, 4, GL_UNSIGNED_SHORT, stride, at(offsetof(BatchVertex, state)));
    for (GLuint attribute = 0; attribute < 5; ++attribute) emscripten_glEnableVertexAttribArray(attribute);
    for (int t = 0; t < kRecordTables; ++t) {
        emscripten_glGenTextures(1, &backend.tables[t]);
        activeUnit(1 + t);
        emscripten_glBindTexture(GL_TEXTURE_2D, backend.tables[t]);
        emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        emscripten_glTexStorage2D(GL_TEXTURE_2D, 1, GL_RGBA32F, kRecordWidth[t], kRecordRows[t]);
    }
    activeUnit(0);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, 1);
}

void sendTextureImage(KeptTexture& t, int level) {
    emscripten_glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, t.width[level], t.height[level], 0, GL_RGBA,
                            GL_UNSIGNED_BYTE, t.levels[level]);
    frameBytes += double(t.width[level]) * t.height[level] * 4;
}

void sendTextureParameters(const KeptTexture& t) {
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(t.parameters[0]));
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(t.parameters[1]));
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GLint(t.parameters[2]));
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GLint(t.parameters[3]));
}

}  // namespace

// emscripten keeps every GL object it made, by name, in tables of its own until it is deleted.
// The objects of a lost context cannot be deleted through the restored one (WebGL refuses
// objects of a context it lost, with an error of its own), so their names are taken out of the
// tables here; or else each restore would keep the twenty-odd objects of the context before.
EM_JS(void, forgetObject, (int kind, unsigned name), {
    var table = [GL.buffers, GL.vaos, GL.textures, GL.programs, GL.shaders][kind];
    if (table && name < table.length) table[name] = null;
});

namespace {

enum ObjectKind { kBufferObject = 0, kVertexArrayObject = 1, kTextureObject = 2, kProgramObject = 3, kShaderObject = 4 };

// Lets go of every object the backend made in its context: the buffers, the vertex array, the
// record tables, the programs (and the shaders of those whose status was not asked yet) and the
// textures' names.
void forgetObjects() {
    const auto forget = [](ObjectKind kind, unsigned name) {
        if (name != 0) forgetObject(kind, name);
    };
    forget(kBufferObject, backend.vertexBuffer);
    forget(kBufferObject, backend.indexBuffer);
    forget(kVertexArrayObject, backend.vertexArray);
    for (GLuint table : backend.tables) forget(kTextureObject, table);
    for (auto& byFlat : backend.programs)
        for (auto& byMode : byFlat)
            for (const Program& p : byMode) {
                forget(kProgramObject, p.name);
                for (GLuint shader : p.shaders) forget(kShaderObject, shader);
            }
    for (KeptTexture& t : kept) {
        forget(kTextureObject, t.name);
        t.name = 0;
    }
}

// The backend starts afresh in `context`, with KHR_parallel_shader_compile enabled where the
// context offers it (the site's build enables no extension by itself).
void adopt(EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context) {
    backend = Backend{};
    backend.context = context;
    backend.parallel = emscripten_webgl_enable_extension(context, "KHR_parallel_shader_compile");
}

}  // namespace

bool backendStart() {
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
    if (context == 0) return false;
    if (context != backend.context) adopt(context);
    return true;
}

namespace {

// A context that is there and not lost: what is asked of a lost one is kept (texture images,
// parameters) or dropped (draws), and made good by backendRecreate when it comes back.
bool usable() {
    return backendStart() && !emscripten_is_webgl_context_lost(backend.context);
}

}  // namespace

bool backendProgramsPending(const DrawCommand* commands, int count) {
    if (!usable()) return false;
    makePrograms(commands, count);
    if (!backend.parallel) return false;
    for (int i = 0; i < count; ++i) {
        if (commands[i].clear) continue;
        Program& p = programOf(commands[i].state);
        if (p.ready || p.complete) continue;
        GLint complete = 0;
        emscripten_glGetProgramiv(p.name, kCompletionStatus, &complete);
        if (!complete) return true;
        p.complete = true;
    }
    return false;
}

void backendDraw(const BatchData& b) {
    if (!usable()) return;
    // The programs are compiled while the streams upload; asking after them waits for that.
    makePrograms(b.commands, b.commandCount);
    if (backend.vertexArray == 0) makeStreams(b.vertexCapacity, b.indexCapacity);
    // What changed since the last draw; after the streams were made, all that is in use.
    if (backend.fresh) {
        uploadBuffer(GL_ARRAY_BUFFER, b.vertices, sizeof(BatchVertex), 0, b.verticesUsed);
        uploadBuffer(GL_ELEMENT_ARRAY_BUFFER, b.indices, 4, 0, b.indicesUsed);
        for (int t = 0; t < kRecordTables; ++t) uploadRows(t, b.tables[t], 0, b.rowsUsed[t]);
        backend.fresh = false;
    } else {
        for (int i = 0; i < b.vertexRangeCount; ++i)
            uploadBuffer(GL_ARRAY_BUFFER, b.vertices, sizeof(BatchVertex), b.vertexRanges[i].begin, b.vertexRanges[i].end);
        for (int i = 0; i < b.indexRangeCount; ++i)
            uploadBuffer(GL_ELEMENT_ARRAY_BUFFER, b.indices, 4, b.indexRanges[i].begin, b.indexRanges[i].end);
        for (int t = 0; t < kRecordTables; ++t) uploadRows(t, b.tables[t], b.changedRows[t].begin, b.changedRows[t].end);
    }
    for (int i = 0; i < b.commandCount; ++i) {
        if (b.commands[i].clear) continue;
        Program& p = programOf(b.commands[i].state);
        if (!p.ready) finishProgram(p);
    }
    activeUnit(0);
    static const GLenum kModes[] = {GL_POINTS, GL_LINES, GL_TRIANGLES};
    for (int i = 0; i < b.commandCount; ++i) {
        const DrawCommand& c = b.commands[i];
        applyState(c.state, c.clear);
        if (c.clear) {
            if (c.clearMask & GL_COLOR_BUFFER_BIT)
                emscripten_glClearColor(c.clearColour[0], c.clearColour[1], c.clearColour[2], c.clearColour[3]);
            if (c.clearMask & GL_DEPTH_BUFFER_BIT) emscripten_glClearDepthf(c.clearDepth);
            emscripten_glClear(c.clearMask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
        } else if (c.count > 0) {
            emscripten_glDrawElements(kModes[c.state.kind], c.count, GL_UNSIGNED_INT,
                                      reinterpret_cast<const void*>(uintptr_t(c.first) * 4));
            frameDraws += 1;
        }
    }
    frameWork += 1;
}

void backendEndFrame() {
    if (frameWork == 0 && frameBytes == 0) return;  // nothing drawn since the last frame ended
    lastFrameBytes = frameBytes;
    lastFrameDraws = frameDraws;
    frameBytes = frameDraws = frameWork = 0;
}

void backendFrameCounts(double* bytesUploaded, double* drawCalls) {
    *bytesUploaded = lastFrameBytes;
    *drawCalls = lastFrameDraws;
}

// The page reads these (scripts/web prints them): the last frame's bytes uploaded and draw calls.
extern "C" EMSCRIPTEN_KEEPALIVE double talvenorLayerBytesUploaded() {
    return lastFrameBytes;
}

extern "C" EMSCRIPTEN_KEEPALIVE double talvenorLayerDrawCalls() {
    return lastFrameDraws;
}

unsigned backendCreateTexture() {
    if (!backendStart()) return 0;
    const bool lost = !usable();
    for (unsigned handle = 1; handle <= kMaxTextures; ++handle) {
        KeptTexture& t = kept[handle];
        if (t.inUse) continue;
        t = KeptTexture{};
        t.inUse = true;
        const unsigned defaults[4] = {GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT};
        memcpy(t.parameters, defaults, sizeof defaults);
        if (!lost) emscripten_glGenTextures(1, &t.name);
        return handle;
    }
    return 0;
}

void backendDeleteTexture(unsigned texture) {
    if (texture == 0 || texture > kMaxTextures || !kept[texture].inUse) return;
    KeptTexture& t = kept[texture];
    if (usable() && t.name != 0) emscripten_glDeleteTextures(1, &t.name);
    for (unsigned char* level : t.levels) free(level);
    t = KeptTexture{};
    if (backend.boundTexture == texture) backend.boundTexture = 0;
}

void backendTextureImage(unsigned texture, int level, int width, int height, const unsigned char* rgba) {
    if (texture == 0 || texture > kMaxTextures || !kept[texture].inUse) return;
    KeptTexture& t = kept[texture];
    const size_t bytes = size_t(width) * size_t(height) * 4;
    unsigned char* copy = static_cast<unsigned char*>(realloc(t.levels[level], bytes ? bytes : 1));
    if (!copy) return;
    memcpy(copy, rgba, bytes);
    t.levels[level] = copy, t.width[level] = width, t.height[level] = height;
    if (!usable()) return;  // kept: backendRecreate sends it
    bindTexture(texture);
    sendTextureImage(t, level);
}

void backendTextureParameters(unsigned texture, unsigned minFilter, unsigned magFilter, unsigned wrapS, unsigned wrapT) {
    if (texture == 0 || texture > kMaxTextures || !kept[texture].inUse) return;
    KeptTexture& t = kept[texture];
    t.parameters[0] = minFilter, t.parameters[1] = magFilter, t.parameters[2] = wrapS, t.parameters[3] = wrapT;
    if (!usable()) return;
    bindTexture(texture);
    sendTextureParameters(t);
}

bool backendRecreate() {
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
    if (context == 0 || emscripten_is_webgl_context_lost(context)) return false;
    // The objects of the lost context are gone with it; their names mean nothing now, and are
    // let go before the new ones are made.
    forgetObjects();
    adopt(context);
    for (unsigned handle = 1; handle <= kMaxTextures; ++handle) {
        KeptTexture& t = kept[handle];
        if (!t.inUse) continue;
        emscripten_glGenTextures(1, &t.name);
        bindTexture(handle);
        sendTextureParameters(t);
        for (int level = 0; level < 15; ++level)
            if (t.levels[level] && t.width[level] > 0 && t.height[level] > 0) sendTextureImage(t, level);
    }
    // The streams and record tables are made, and sent whole, by the next draw; the programs
    // when a batch first needs them.
    return !emscripten_is_webgl_context_lost(context);
}
void backendReadPixels(int x, int y, int width, int height, unsigned char* rgba) {
    if (!usable()) {
        memset(rgba, 0, size_t(width) * size_t(height) * 4);  // a lost context has no pixels
        return;
    }
    emscripten_glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

// The browser sends the commands of a task on when the task ends (WebGL flushes then of itself);
// a flush of its own each frame would only cost the main thread time.
void backendFlush() {}

void backendFinish() {
    if (!usable()) return;
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
    if (!usable()) return 0;  // a lost context answers nothing it will still mean when it is back
    GLint size = 0;
    emscripten_glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size;
}

void backendDrawingBufferSize(int* width, int* height) {
    *width = *height = 0;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
    if (context != 0) emscripten_webgl_get_drawing_buffer_size(context, width, height);
}
