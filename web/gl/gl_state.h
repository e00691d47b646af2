// SPDX-License-Identifier: MIT
// gl_state.h - the GL layer's one state record and the helpers its units share.
//
// Everything the fixed-function calls set lives in `glState`, with the start values OpenGL 1.x
// gives, so `glState = LayerState{}` starts a context afresh. Positions and directions handed to
// glLight are stored in eye coordinates, as transformed when they were given; colours are stored
// unclamped, as given, and clamped where the pipeline clamps them.
//
//   setError             records an error unless one is already pending (glGetError takes it)
//   startContext         once a context is current: the viewport and scissor box take the drawing
//                        buffer's size, as a new context's do
//   insideBeginEnd       true between glBegin and glEnd; records GL_INVALID_OPERATION if so
//   currentMatrix        the top of the stack that glMatrixMode selected
//   modelViewChanged     the model-view record (and the normal matrix) must be made anew
//   recordChanged        the next vertex gets a new record of that table (gl_records.cpp)
//   currentRecords       makes the records that changed and sets vertexState to their rows
//   recordsHaveRoom      whether one more row of each table fits in this frame
//   rasterStateChanged   the next primitive starts a new draw segment (gl_batch.cpp)
//   beginRun/endRun      glBegin and glEnd: endRun cuts the run's vertices into the pieces of
//                        its primitive and queues them for the frame's batch
//   appendVertex         names the records current now and puts the vertex into the frame's
//                        stream, once; the pieces that use it refer to it by index
//   reuseRun             a run replayed from a capture: its vertices are left in the stream as
//                        they are when the last frame's run at this place was the same one
//   flushBatch           draws everything queued (glFlush, glFinish, glReadPixels, texture
//                        changes), a waiting frame first; with `restart`, the streams start
//                        again at the top
//   capture / replayRun  the runs a stretch of calls makes, kept object-space as given, and one
//                        of them sent again (web/glu/quadric_cache.cpp)
//   endFrame             glFlush and glFinish: the next frame's stream and records start again
//                        at the top, compared with this one's; with `mayWait` (glFlush) a frame
//                        whose shader programs the browser is still compiling is kept undrawn
//                        instead, until layerFrameWaiting or the next call that needs it drawn
//   dropWaitingFrame     a waiting frame let go of undrawn (its context was lost)
#pragma once

#include "web/gl/gl_backend.h"
#include "web/gl/gl_layer.h"

// ---- vectors and matrices (column-major, as OpenGL stores them) ---------------------------------
struct Matrix4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};
void multiplyMatrix(const Matrix4& a, const Matrix4& b, Matrix4* product);  // product = a * b
void transformPoint(const Matrix4& a, const float in[4], float out[4]);     // out = a * in

// ---- texture objects ----------------------------------------------------------------------------
constexpr int kMaxTextureLevels = 15;  // 16384 down to 1
constexpr int kMaxTextureObjects = 256;
enum TextureTarget { kTargetNone = 0, kTarget1D = 1, kTarget2D = 2 };

struct TextureLevel {
    int width = 0;           // 0: level not specified
    int height = 0;          // 1 for a 1-D texture
    GLint internalFormat = 1;  // as given (1 to 4 or a symbolic format)
    GLenum baseFormat = GL_LUMINANCE;  // GL_ALPHA, GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_RGB, GL_RGBA
};

struct TextureObject {
    bool named = false;               // issued by glGenTextures and not deleted
    TextureTarget target = kTargetNone;  // fixed by the first bind
    GLenum minFilter = GL_NEAREST_MIPMAP_LINEAR;
    GLenum magFilter = GL_LINEAR;
    GLenum wrapS = GL_REPEAT;
    GLenum wrapT = GL_REPEAT;
    TextureLevel levels[kMaxTextureLevels];
    unsigned backendName = 0;  // the backend's texture holding the images (0: none made yet)
};

// ---- lights and materials ------------------------------------------------------------------------
constexpr int kMaxLights = 8;

struct Light {
    bool enabled = false;
    float ambient[4] = {0, 0, 0, 1};
    float diffuse[4] = {0, 0, 0, 1};
    float specular[4] = {0, 0, 0, 1};
    float position[4] = {0, 0, 1, 0};  // eye coordinates
    float spotDirection[3] = {0, 0, -1};  // eye coordinates
    float spotExponent = 0;
    float spotCutoff = 180;  // degrees; 180 means no spot
    float constantAttenuation = 1;
    float linearAttenuation = 0;
    float quadraticAttenuation = 0;
    // Worked out from the above whenever they are set, not per vertex:
    float direction[3] = {0, 0, 1};      // a directional light's VP, unit length
    float halfVector[3] = {0, 0, 1};     // its half vector for the infinite viewer, unit length
    float spotUnit[3] = {0, 0, -1};      // the spot direction, unit length
    float spotCosCutoff = -1;            // cos(spotCutoff)
    bool dark = true;                    // ambient, diffuse and specular all black: adds nothing
};

struct Material {
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1};
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1};
    float specular[4] = {0, 0, 0, 1};
    float emission[4] = {0, 0, 0, 1};
    float shininess = 0;
};

struct PixelStore {
    GLint alignment = 4;
    GLint rowLength = 0;
    GLint skipRows = 0;
    GLint skipPixels = 0;
    GLint imageHeight = 0;
    GLint skipImages = 0;
    bool swapBytes = false;
    bool lsbFirst = false;
};

// ---- the state record -----------------------------------------------------------------------------
constexpr int kModelViewStackDepth = 32;
constexpr int kProjectionStackDepth = 32;
constexpr int kTextureStackDepth = 10;

struct LayerState {
    GLenum error = GL_NO_ERROR;  // the one pending error flag

    // Begin/end and the current values.
    bool inBeginEnd = false;
    GLenum primitiveMode = GL_POINTS;
    float currentColour[4] = {1, 1, 1, 1};
    unsigned char currentColourBytes[4] = {255, 255, 255, 255};  // clamped, as the vertices carry it
    float currentNormal[3] = {0, 0, 1};
    float currentTexCoord[4] = {0, 0, 0, 1};

    // Matrices.
    GLenum matrixMode = GL_MODELVIEW;
    Matrix4 modelView[kModelViewStackDepth];
    Matrix4 projection[kProjectionStackDepth];
    Matrix4 texture[kTextureStackDepth];
    int modelViewDepth = 1;  // entries in use; the top is [depth - 1]
    int projectionDepth = 1;
    int textureDepth = 1;
    bool normalMatrixValid = false;
    float normalMatrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};  // inverse transpose of the upper 3 x 3, column-major
    bool normalize = false;

    // Lighting.
    bool lighting = false;
    Light lights[kMaxLights] = {{false, {0, 0, 0, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {0, 0, 1, 0}, {0, 0, -1}, 0, 180,
                                 1, 0, 0, {0, 0, 1}, {0, 0, 1}, {0, 0, -1}, -1, false}};  // light 0 is white
    float lightModelAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
    bool twoSided = false;
    bool localViewer = false;
    Material materials[2];  // [0] front, [1] back
    GLenum shadeModel = GL_SMOOTH;

    // Textures. Slot 0 holds the default texture of each target, 1..kMaxTextureObjects the names.
    TextureObject textures[kMaxTextureObjects + 1];
    TextureObject defaultTexture1D;
    TextureObject defaultTexture2D;
    GLuint binding1D = 0;
    GLuint binding2D = 0;
    bool texture1DEnabled = false;
    bool texture2DEnabled = false;
    GLenum textureEnvMode = GL_MODULATE;
    float textureEnvColour[4] = {0, 0, 0, 0};
    TextureLevel proxy1D[kMaxTextureLevels];
    TextureLevel proxy2D[kMaxTextureLevels];
    PixelStore unpack;
    PixelStore pack;

    // Per-fragment state and the framebuffer. The viewport is kept as given; the browser clamps
    // it to its largest when it draws, and glGet to maxTextureSize when asked.
    RasterState raster;
    bool dither = true;
    float clearColour[4] = {0, 0, 0, 0};
    float clearDepth = 1;
    bool rasterStateChanged = true;

    // The records the next vertex names (gl_records.cpp): a stale one is made anew first.
    bool recordStale[kRecordTables] = {true, true, true, true};
    unsigned short recordRow[kRecordTables] = {0, 0, 0, 0};
    bool vertexStateValid = false;  // vertexState names the current records (false once one is stale)
    unsigned short vertexState[kRecordTables] = {0, 0, 0, 0};  // what the next vertex carries

    // The context's largest texture (and viewport), once a context that is there and not lost
    // has answered; 0 until then (maxTextureSize).
    int largestTexture = 0;
};

extern LayerState& glState;

void setError(GLenum error);
void startContext();
bool insideBeginEnd();
Matrix4& currentMatrix();
void modelViewChanged();

// The state records (gl_records.cpp).
void recordChanged(RecordTable table);
void currentRecords();
bool recordsHaveRoom();
void restartRecords();
void carryRecords(BatchVertex* const* kept, int count);  // gives kept vertices rows in the restarted tables
const float* recordTable(RecordTable table);
int recordRowsUsed(RecordTable table);
Range takeChangedRows(RecordTable table);

// The batch (gl_batch.cpp).
void beginRun(GLenum mode);
void appendVertex(float x, float y, float z, float w);  // with the current values and records
void endRun();
bool reuseRun(unsigned source, unsigned part, int count);  // between beginRun and the first vertex
bool flushBatch(bool restart = false);  // true when the frame started again at the top

// Capturing the glBegin/glEnd runs a stretch of calls makes (gl_primitives.cpp): while `capture`
// points at one, every run and vertex is also kept there. A capture that overflows, or during
// which an error was recorded, is spoilt.
struct CapturedVertex {
    float position[4];
    float normal[3];
    float tex[4];
};
struct Capture {
    CapturedVertex* vertices = nullptr;  // room for `capacity`
    int capacity = 0;
    int count = 0;
    GLenum* modes = nullptr;  // each run's primitive, and the vertex count at its glEnd
    int* ends = nullptr;
    int runCapacity = 0;
    int runs = 0;
    bool spoilt = false;
    // The first vertex that carries a normal (texture coordinates) given during the capture; the
    // vertices before it carry the values current when it began. -1: none was given.
    int normalFrom = -1;
    int texFrom = -1;
};
extern Capture* capture;
// Sends one captured run again, with the current colour and state; `source` and `part` name it
// (no two captures share a source), so that the batch can leave it in the stream. Its first
// `currentNormals` vertices take the current normal, its first `currentTex` the current texture
// coordinates, as they took the ones current when it was captured.
void replayRun(GLenum mode, const CapturedVertex* vertices, int count, unsigned source, unsigned part,
               int currentNormals, int currentTex);
void endFrame(bool mayWait);
void dropWaitingFrame();

// Textures (gl_textures.cpp): the texture the rasteriser samples now, or 0; the largest texture
// and viewport, WebGL 2's least (2048) for as long as no context can be asked.
void currentTextureState(RasterState* raster);
int maxTextureSize();
