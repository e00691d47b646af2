// SPDX-License-Identifier: MIT
// gl_layer_test.cpp - the web GL layer against OpenGL 1.x, in the browser's real WebGL 2.
//
// Where a fault would hide in a full picture: the colour of single lit vertices (drawn as
// one-pixel points and read back) against the lighting equation worked out by hand for each
// case, the way quads, strips and polygons are cut and shaded flat, and the matrix stacks and
// the errors the layer reports; and what the GPU path adds: state that changes between the
// vertices of one primitive, geometry kept between frames that is never drawn stale, a texture
// changed between two primitives of one frame, GLU's quadrics sent again from their first
// tessellation, and a frame held back while its shaders compile.
#include <GL/gl.h>
#include <GL/glu.h>
#include <emscripten/em_js.h>
#include <emscripten/html5.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "web/gl/gl_state.h"

extern "C" void __real_gluDisk(GLUquadric* quad, GLdouble inner, GLdouble outer, GLint slices, GLint loops);
extern "C" void __real_gluPartialDisk(GLUquadric* quad, GLdouble inner, GLdouble outer, GLint slices, GLint loops,
                                      GLdouble start, GLdouble sweep);
extern "C" void __real_gluSphere(GLUquadric* quad, GLdouble radius, GLint slices, GLint stacks);

// The browser's own answer, asked of the page's canvas without the layer.
EM_JS(int, browserLargestTexture, (), {
    return document.getElementById('canvas').getContext('webgl2').getParameter(0x0D33);  // MAX_TEXTURE_SIZE
});

// A canvas of its own whose WebGL 2 context is lost at once (WEBGL_lose_context takes it away
// there and then; only the event comes later).
EM_JS(void, addLostCanvas, (), {
    var canvas = document.createElement('canvas');
    canvas.id = 'lost';
    document.body.appendChild(canvas);
    canvas.getContext('webgl2').getExtension('WEBGL_lose_context').loseContext();
});

// A canvas of its own, whose WebGL 2 context has made nothing yet.
EM_JS(void, addCanvas, (const char* id, int size), {
    var canvas = document.createElement('canvas');
    canvas.id = UTF8ToString(id);
    canvas.width = canvas.height = size;
    document.body.appendChild(canvas);
});

// What the canvas holds at (x, y), read by the browser's own GL, past the layer: 0xBBGGRR.
EM_JS(int, canvasPixel, (const char* id, int x, int y), {
    var pixel = new Uint8Array(4);
    var gl = document.getElementById(UTF8ToString(id)).getContext('webgl2');
    gl.readPixels(x, y, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
    return pixel[0] | pixel[1] << 8 | pixel[2] << 16;
});

EM_JS(int, offersParallelCompile, (const char* id), {
    var extensions = document.getElementById(UTF8ToString(id)).getContext('webgl2').getSupportedExtensions() || [];
    return extensions.indexOf('KHR_parallel_shader_compile') >= 0;
});

namespace {

constexpr int kSize = 64;

void expectPixel(int x, int y, int r, int g, int b, const char* what) {
    unsigned char p[4] = {0, 0, 0, 0};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    EXPECT_NEAR(p[0], r, 1) << what << " red at " << x << "," << y;
    EXPECT_NEAR(p[1], g, 1) << what << " green at " << x << "," << y;
    EXPECT_NEAR(p[2], b, 1) << what << " blue at " << x << "," << y;
}

int level(double intensity) {
    return int(std::lround(255 * (intensity < 0 ? 0 : intensity > 1 ? 1 : intensity)));
}

const float kBlack[4] = {0, 0, 0, 1};
const float kWhite[4] = {1, 1, 1, 1};

class LayerTest : public testing::Test {
protected:
    void SetUp() override {
        glState = LayerState{};
        glViewport(0, 0, kSize, kSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kSize, 0, kSize, -100, 100);  // object x, y = window x, y; pixel centres at .5
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, kBlack);
    }
    void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

    // One white-diffuse light and a white-diffuse material, nothing else lit.
    void diffuseOnly(GLenum light) {
        glEnable(GL_LIGHTING);
        glEnable(light);
        glLightfv(light, GL_DIFFUSE, kWhite);
        glLightfv(light, GL_SPECULAR, kBlack);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kBlack);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kWhite);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kBlack);
    }

    static void point(float x, float y, float z) {
        glBegin(GL_POINTS);
        glVertex3f(x, y, z);
        glEnd();
    }
};

TEST_F(LayerTest, SpotLightFallsOffWithItsExponentAndStopsAtItsCutOff) {
    diffuseOnly(GL_LIGHT0);
    const float down[3] = {0, 0, -1};
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, down);
    glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 30);
    glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 2);
    // Each vertex 3 units to the side of the lamp and some way down the beam, its normal towards
    // the lamp, so that n . VP = 1 and the colour is the spot factor alone.
    const float depths[3] = {10, 6, 4};  // 16.7 and 26.6 degrees off the axis: inside; 36.9: outside
    for (int i = 0; i < 3; ++i) {
        const float lamp[4] = {20.5f, 10.5f + 10 * i, 0, 1};
        glLightfv(GL_LIGHT0, GL_POSITION, lamp);
        const double d = depths[i], length = std::sqrt(9 + d * d);
        glNormal3f(float(-3 / length), 0, float(d / length));
        point(23.5f, 10.5f + 10 * i, -depths[i]);
    }
    for (int i = 0; i < 3; ++i) {
        const double cosine = depths[i] / std::sqrt(9.0 + depths[i] * depths[i]);
        const int expected = cosine >= std::cos(30 * M_PI / 180) ? level(cosine * cosine) : 0;
        expectPixel(23, 10 + 10 * i, expected, expected, expected, "spot");
    }

    // Shininess 0 makes (n . h)^0 = 1 wherever n . VP > 0, under a spot too: here the normal
    // leans 60 degrees away from the lamp and the highlight is the spot factor alone. (Mesa's
    // fixed-function lighting gives (n . VP)^(n . VP), 0.71, in this case.)
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kBlack);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kWhite);
    glLightfv(GL_LIGHT0, GL_SPECULAR, kWhite);
    const float lamp[4] = {40.5f, 50.5f, 0, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, lamp);
    const double angle = std::atan(3.0 / 10), lean = angle + 60 * M_PI / 180;
    glNormal3f(float(-std::sin(lean)), 0, float(std::cos(lean)));
    point(43.5f, 50.5f, -10);
    const int spot = level(std::pow(std::cos(angle), 2));
    expectPixel(43, 50, spot, spot, spot, "highlight of shininess 0 under a spot");
}

TEST_F(LayerTest, PositionalLightIsAttenuatedByDistanceAndDirectionalIsNot) {
    diffuseOnly(GL_LIGHT1);
    glLightf(GL_LIGHT1, GL_CONSTANT_ATTENUATION, 1);
    glLightf(GL_LIGHT1, GL_LINEAR_ATTENUATION, 0.5f);
    glLightf(GL_LIGHT1, GL_QUADRATIC_ATTENUATION, 0.25f);
    const float lamp[4] = {5.5f, 5.5f, 0, 1};
    glLightfv(GL_LIGHT1, GL_POSITION, lamp);
    glNormal3f(0, 0, 1);
    point(5.5f, 5.5f, -2);  // d = 2: 1 / (1 + 1 + 1)
    expectPixel(5, 5, 85, 85, 85, "attenuated");

    const float sun[4] = {0, 0, 2, 0};  // directional, any length: no attenuation
    glLightfv(GL_LIGHT1, GL_POSITION, sun);
    point(6.5f, 5.5f, -50);
    expectPixel(6, 5, 255, 255, 255, "directional");
}

TEST_F(LayerTest, SpecularUsesTheInfiniteViewersHalfVectorAndEmissionAddsToTheSceneAmbient) {
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1};
    const float red[4] = {1, 0, 0, 1};
    const float someBlue[4] = {0, 0, 0.25f, 1};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kBlack);
    glLightfv(GL_LIGHT0, GL_SPECULAR, kWhite);
    const float slanted[4] = {0, 1, 1, 0};  // 45 degrees above the viewing axis
    glLightfv(GL_LIGHT0, GL_POSITION, slanted);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, grey);
    glMaterialfv(GL_FRONT, GL_AMBIENT, red);
    glMaterialfv(GL_FRONT, GL_SPECULAR, kWhite);
    glMaterialf(GL_FRONT, GL_SHININESS, 4);
    glMaterialfv(GL_FRONT, GL_EMISSION, someBlue);
    glNormal3f(0, 0, 1);
    point(30.5f, 30.5f, 0);
    // h = (0, 1/sqrt2, 1 + 1/sqrt2), n . h = cos 22.5 degrees; the ambient 0.5 of red adds to it.
    const double specular = std::pow(std::cos(22.5 * M_PI / 180), 4);
    expectPixel(30, 30, level(0.5 + specular), level(specular), level(0.25 + specular), "specular");

    glNormal3f(0, 0, -1);  // facing away from the light: no specular at all (f = 0)
    point(31.5f, 30.5f, 0);
    expectPixel(31, 30, 128, 0, 64, "unlit side");
}

TEST_F(LayerTest, TwoSidedLightingGivesBackFacesTheBackMaterialAndTheFlippedNormal) {
    diffuseOnly(GL_LIGHT0);
    const float ahead[4] = {0, 0, 1, 0};
    const float blue[4] = {0, 0, 1, 1};
    const float red[4] = {1, 0, 0, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, ahead);
    glLightfv(GL_LIGHT0, GL_AMBIENT, kWhite);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, red);
    glMaterialfv(GL_BACK, GL_DIFFUSE, kWhite);
    glMaterialfv(GL_BACK, GL_AMBIENT, blue);
    for (int twoSided = 0; twoSided < 2; ++twoSided) {
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, twoSided);
        const float x = 10 + 20 * twoSided;
        glNormal3f(0, 0, 1);
        glBegin(GL_TRIANGLES);  // clockwise on the screen: a back face
        glVertex2f(x, 40);
        glVertex2f(x + 10, 60);
        glVertex2f(x + 10, 40);
        glEnd();
    }
    expectPixel(17, 45, 255, 0, 0, "one-sided back face");   // lit as the front, red diffuse
    expectPixel(37, 45, 0, 0, 255, "two-sided back face");   // normal away from the light: ambient
}

TEST_F(LayerTest, QuadsStripsAndPolygonsAreCutFromTheirFirstVertexAndShadedFlatByTheRightOne) {
    // Corners red, green, blue, white around a square; the centre shows which diagonal cut it.
    const float colours[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
    const float around[4][2] = {{0, 0}, {16, 0}, {16, 16}, {0, 16}};
    const float strip[4][2] = {{0, 0}, {16, 0}, {0, 16}, {16, 16}};
    const GLenum modes[3] = {GL_QUADS, GL_POLYGON, GL_QUAD_STRIP};
    for (int flat = 0; flat < 2; ++flat) {
        glShadeModel(flat ? GL_FLAT : GL_SMOOTH);
        for (int m = 0; m < 3; ++m) {
            const float x = 4 + 20 * m, y = 4 + 24 * flat;
            glBegin(modes[m]);
            for (int i = 0; i < 4; ++i) {
                glColor3fv(colours[i]);
                glVertex2f(x + (m == 2 ? strip : around)[i][0], y + (m == 2 ? strip : around)[i][1]);
            }
            glEnd();
        }
    }
    // Smooth: quads and polygons are cut along 0-2, the quad strip's quad (0, 1, 3, 2) along 0-3;
    // the pixel centre (8.5, 8.5) lies on that diagonal, 8.5/16 of the way from vertex 0.
    expectPixel(12, 12, 120, 0, 135, "quad centre");
    expectPixel(32, 12, 120, 0, 135, "polygon centre");
    expectPixel(52, 12, 255, 135, 135, "quad strip centre");
    // Flat: a quad takes its last vertex, a polygon its first, a quad strip's quad vertex 2i+4.
    expectPixel(8, 30, 255, 255, 255, "flat quad");
    expectPixel(28, 30, 255, 0, 0, "flat polygon");
    expectPixel(48, 30, 255, 255, 255, "flat quad strip");
}

TEST_F(LayerTest, StripsKeepTheirOrientationAndLeftOverVerticesAreDropped) {
    glEnable(GL_CULL_FACE);  // back faces culled: a strip with a wrongly wound odd triangle loses it
    glColor3f(1, 1, 0);
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i < 6; ++i) glVertex2f(8.0f * (i / 2), i % 2 ? 0.0f : 8.0f);  // counter-clockwise
    glEnd();
    const int inside[4][2] = {{2, 6}, {6, 2}, {10, 6}, {14, 2}};  // triangles 0 to 3, odd ones below the diagonal
    for (const auto& p : inside) expectPixel(p[0], p[1], 255, 255, 0, "strip");

    glColor3f(0, 1, 1);
    glBegin(GL_TRIANGLES);  // one triangle and two vertices too few for another
    glVertex2f(40, 40);
    glVertex2f(50, 40);
    glVertex2f(40, 50);
    glVertex2f(60, 60);
    glVertex2f(60, 50);
    glEnd();
    expectPixel(42, 42, 0, 255, 255, "triangle");
    expectPixel(58, 54, 0, 0, 0, "left over");
}

TEST_F(LayerTest, MatrixStacksOverflowAndUnderflowWithoutChangingTheirTop) {
    GLint depth = 0;
    glGetIntegerv(GL_MAX_PROJECTION_STACK_DEPTH, &depth);
    glMatrixMode(GL_PROJECTION);
    glTranslatef(1, 2, 3);
    for (int i = 1; i < depth; ++i) glPushMatrix();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glPushMatrix();
    EXPECT_EQ(glGetError(), GLenum(GL_STACK_OVERFLOW));
    for (int i = 1; i < depth; ++i) glPopMatrix();
    glPopMatrix();
    EXPECT_EQ(glGetError(), GLenum(GL_STACK_UNDERFLOW));
    GLint now = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &now);
    EXPECT_EQ(now, 1);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(1, 2, 3);
    glRotated(90, 0, 0, 1);
    glScalef(2, 2, 2);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float expected[16] = {0, 2, 0, 0, -2, 0, 0, 0, 0, 0, 2, 0, 1, 2, 3, 1};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-6) << "element " << i;
}

TEST_F(LayerTest, CallsThatOpenGLRefusesLeaveTheirErrorAndChangeNothing) {
    glBegin(GL_TRIANGLES);
    glEnable(GL_LIGHTING);  // not allowed between glBegin and glEnd
    glBegin(GL_POINTS);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));  // inside: no error returned, one recorded
    glEnd();
    EXPECT_EQ(glGetError(), GLenum(GL_INVALID_OPERATION));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    glEnd();
    EXPECT_EQ(glGetError(), GLenum(GL_INVALID_OPERATION));

    const struct {
        void (*call)();
        GLenum error;
    } refused[] = {
        {[] { glEnable(GL_FOG); }, GL_INVALID_ENUM},
        {[] { glBegin(GL_POLYGON + 1); }, GL_INVALID_ENUM},
        {[] { glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 95); }, GL_INVALID_VALUE},
        {[] { glLightf(GL_LIGHT0, GL_AMBIENT, 1); }, GL_INVALID_ENUM},
        {[] { glLightf(GL_LIGHT0 + 8, GL_SPOT_EXPONENT, 1); }, GL_INVALID_ENUM},
        {[] { glMaterialf(GL_FRONT, GL_SHININESS, 129); }, GL_INVALID_VALUE},
        {[] { glMatrixMode(GL_COLOR); }, GL_INVALID_ENUM},
        {[] { glFrustum(-1, 1, -1, 1, 0, 10); }, GL_INVALID_VALUE},
        {[] { glPixelStorei(GL_UNPACK_ALIGNMENT, 3); }, GL_INVALID_VALUE},
        {[] { glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 1, GL_RGB, GL_UNSIGNED_BYTE, nullptr); }, GL_INVALID_VALUE},
        {[] { glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_FLOAT, nullptr); }, GL_INVALID_ENUM},
        {[] { glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1 << 20, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr); }, GL_INVALID_VALUE},
        {[] { glClear(0x1); }, GL_INVALID_VALUE},
    };
    for (const auto& r : refused) {
        r.call();
        EXPECT_EQ(glGetError(), r.error);
    }
    GLfloat cutoff = 0;
    glGetLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, &cutoff);
    EXPECT_EQ(cutoff, 180);
}

TEST_F(LayerTest, TexturesKeepTheirTargetAnswerProxiesAndModulateTheColour) {
    GLuint names[2] = {0, 0};
    glGenTextures(2, names);
    glBindTexture(GL_TEXTURE_1D, names[0]);
    glBindTexture(GL_TEXTURE_2D, names[0]);  // a 1-D texture cannot become 2-D
    EXPECT_EQ(glGetError(), GLenum(GL_INVALID_OPERATION));
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);

    GLint width = -1;
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 3, 1 << 20, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 0);  // too large: the proxy says so, and no error
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 3, 64, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 64);

    // A 2 x 2 image in rows of 8 bytes (alignment 4), bottom row first.
    const unsigned char image[16] = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 0, 0, 0};
    glBindTexture(GL_TEXTURE_2D, names[1]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, image);
    glEnable(GL_TEXTURE_2D);
    glColor3f(0.5f, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(0, 0);
    glTexCoord2f(1, 0), glVertex2f(8, 0);
    glTexCoord2f(1, 1), glVertex2f(8, 8);
    glTexCoord2f(0, 1), glVertex2f(0, 8);
    glEnd();
    expectPixel(1, 1, 128, 0, 0, "texel (0, 0) times the colour");
    expectPixel(6, 1, 0, 255, 0, "texel (1, 0)");
    expectPixel(1, 6, 0, 0, 255, "texel (0, 1)");
    expectPixel(6, 6, 128, 255, 0, "texel (1, 1)");

    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);  // no mipmaps: incomplete
    glBegin(GL_TRIANGLES);
    glVertex2f(20, 0), glVertex2f(28, 0), glVertex2f(20, 8);
    glEnd();
    expectPixel(21, 1, 128, 255, 255, "incomplete texture: as if texturing were off");
    glDisable(GL_TEXTURE_2D);
}


TEST_F(LayerTest, AMaterialChangedBetweenTwoVerticesOfOnePrimitiveLightsOnlyTheSecond) {
    diffuseOnly(GL_LIGHT0);
    const float ahead[4] = {0, 0, 1, 0};
    const float red[4] = {1, 0, 0, 1};
    const float blue[4] = {0, 0, 1, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, ahead);
    glNormal3f(0, 0, 1);
    glBegin(GL_POINTS);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, red);
    glVertex2f(10.5f, 10.5f);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, blue);
    glVertex2f(11.5f, 10.5f);
    glEnd();
    expectPixel(10, 10, 255, 0, 0, "before the change");
    expectPixel(11, 10, 0, 0, 255, "after the change");
}

// Frames of the same calls: the second sends nothing, and a third that moves one vertex of the
// run sends that vertex alone and shows it moved; a fourth that moves the whole run by its
// matrix sends the model-view record alone.
TEST_F(LayerTest, GeometryKeptBetweenFramesIsDrawnFromTheGpuAndNeverStale) {
    glFlush();  // what the tests before left: a frame of its own
    const auto frame = [](float corner, float shift) {
        glClear(GL_COLOR_BUFFER_BIT);
        glPushMatrix();
        glTranslatef(shift, 0, 0);
        glColor3f(1, 1, 0);
        glBegin(GL_TRIANGLES);
        glVertex2f(2, 2), glVertex2f(10, 2), glVertex2f(2, 10);
        glVertex2f(20, 2), glVertex2f(28, 2), glVertex2f(20, corner);
        glEnd();
        glPopMatrix();
        glFlush();
    };
    double bytes = -1, draws = -1;
    frame(10, 0);
    frame(10, 0);
    backendFrameCounts(&bytes, &draws);
    EXPECT_EQ(bytes, 0) << "a frame like the last one sends nothing";
    EXPECT_EQ(draws, 1);
    expectPixel(21, 14, 0, 0, 0, "the corner where it was");

    frame(30, 0);
    backendFrameCounts(&bytes, &draws);
    EXPECT_EQ(bytes, double(sizeof(BatchVertex))) << "one vertex changed, one vertex sent";
    expectPixel(21, 14, 255, 255, 0, "the corner moved");
    expectPixel(4, 4, 255, 255, 0, "the run's unchanged triangle");

    frame(30, 32);
    backendFrameCounts(&bytes, &draws);
    EXPECT_EQ(bytes, double(kRecordWidth[kModelViewTable] * 16)) << "only the model-view record sent";
    expectPixel(4, 4, 0, 0, 0, "the old place");
    expectPixel(36, 4, 255, 255, 0, "moved by the matrix");
    expectPixel(53, 14, 255, 255, 0, "the moved corner, moved by the matrix");
}

TEST_F(LayerTest, ATextureChangedBetweenTwoPrimitivesOfOneFrameIsSeenByTheSecondOnly) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glEnable(GL_TEXTURE_2D);
    const unsigned char red[4] = {255, 0, 0, 255}, green[4] = {0, 255, 0, 255};
    for (int frame = 0; frame < 2; ++frame) {  // the second frame from the kept geometry
        glClear(GL_COLOR_BUFFER_BIT);
        for (int square = 0; square < 2; ++square) {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, square == 0 ? red : green);
            const float x = 4 + 20 * square;
            glBegin(GL_QUADS);
            glTexCoord2f(0, 0), glVertex2f(x, 4);
            glTexCoord2f(1, 0), glVertex2f(x + 8, 4);
            glTexCoord2f(1, 1), glVertex2f(x + 8, 12);
            glTexCoord2f(0, 1), glVertex2f(x, 12);
            glEnd();
        }
        glFlush();
        expectPixel(8, 8, 255, 0, 0, frame ? "first square, second frame" : "first square");
        expectPixel(28, 8, 0, 255, 0, frame ? "second square, second frame" : "second square");
    }
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &name);
}

// A fan of more vertices than the streams hold is drawn in two batches, and the frame after it
// finds nothing of what the streams held before.
TEST_F(LayerTest, APrimitiveLongerThanTheStreamsIsDrawnWholeAndLeavesNothingStale) {
    const auto triangle = [] {
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(0, 1, 0);
        glBegin(GL_TRIANGLES);
        glVertex2f(2, 2), glVertex2f(14, 2), glVertex2f(2, 14);
        glEnd();
        glFlush();
    };
    triangle();
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 0, 0);
    glBegin(GL_TRIANGLE_FAN);
    glVertex2f(40, 40);
    const int rim = 200000;
    for (int i = 0; i <= rim; ++i) {
        const double angle = 2 * M_PI * i / rim;
        glVertex2f(float(40 + 12 * std::cos(angle)), float(40 + 12 * std::sin(angle)));
    }
    glEnd();
    glFlush();
    for (int k = 0; k < 8; ++k) {
        const double angle = 2 * M_PI * (k + 0.5) / 8;
        expectPixel(int(40 + 8 * std::cos(angle)), int(40 + 8 * std::sin(angle)), 255, 0, 0, "the fan all round");
    }
    expectPixel(5, 5, 0, 0, 0, "no triangle in the fan's frame");
    triangle();
    expectPixel(5, 5, 0, 255, 0, "the triangle after the fan");
    expectPixel(40, 36, 0, 0, 0, "nothing left of the fan");
}

// A disk drawn again is sent from its first tessellation, and changes with its arguments, the
// colour and the quadric's state; the program's own run of the same primitive at the same
// place in between leaves nothing of itself in the disk's next frame.
TEST_F(LayerTest, QuadricsSentAgainFollowTheirArgumentsColourAndQuadricAndAreNeverStale) {
    GLUquadric* quadric = gluNewQuadric();
    const auto disk = [&](double radius, float green) {
        glClear(GL_COLOR_BUFFER_BIT);
        glPushMatrix();
        glTranslatef(16, 16, 0);
        glColor3f(1, green, 0);
        gluDisk(quadric, 0, radius, 16, 2);
        glPopMatrix();
        glFlush();
    };
    // The disk's runs as GLU makes them, to be sent as the program's own 32 pixels to the right.
    CapturedVertex vertices[512];
    GLenum modes[16];
    int ends[16];
    Capture runs;
    runs.vertices = vertices, runs.capacity = 512, runs.modes = modes, runs.ends = ends, runs.runCapacity = 16;
    glFlush();
    capture = &runs;
    __real_gluDisk(quadric, 0, 6, 16, 2);
    capture = nullptr;
    ASSERT_FALSE(runs.spoilt);
    ASSERT_GT(runs.runs, 0);

    double bytes = -1, draws = -1;
    disk(6, 0);
    disk(6, 0);
    disk(6, 0);
    backendFrameCounts(&bytes, &draws);
    EXPECT_EQ(bytes, 0) << "the same disk again sends nothing";
    expectPixel(19, 16, 255, 0, 0, "the disk");
    expectPixel(24, 16, 0, 0, 0, "outside the disk");

    glClear(GL_COLOR_BUFFER_BIT);
    glPushMatrix();
    glTranslatef(16, 16, 0);
    glColor3f(1, 0, 0);
    for (int r = 0, from = 0; r < runs.runs; from = ends[r++]) {
        glBegin(modes[r]);
        for (int i = from; i < ends[r]; ++i) glVertex3f(vertices[i].position[0] + 32, vertices[i].position[1], 0);
        glEnd();
    }
    glPopMatrix();
    glFlush();
    for (int x : {17, 20}) {  // both loops
        expectPixel(x + 32, 16, 255, 0, 0, "the program's own copy");
        expectPixel(x, 16, 0, 0, 0, "no disk in that frame");
    }
    disk(6, 0);
    for (int x : {17, 20}) {
        expectPixel(x, 16, 255, 0, 0, "the disk after the program's run");
        expectPixel(x + 32, 16, 0, 0, 0, "nothing left of the program's run");
    }
    disk(10, 0);
    disk(10, 0);
    expectPixel(24, 16, 255, 0, 0, "a larger disk");
    disk(10, 1);
    expectPixel(24, 16, 255, 255, 0, "a yellow disk");
    glEnable(GL_CULL_FACE);
    gluQuadricOrientation(quadric, GLU_INSIDE);
    disk(10, 1);
    expectPixel(19, 16, 0, 0, 0, "the disk turned away, culled");
    gluQuadricOrientation(quadric, GLU_OUTSIDE);
    disk(10, 1);
    expectPixel(19, 16, 255, 255, 0, "the disk turned back");
    glDisable(GL_CULL_FACE);
    gluDeleteQuadric(quadric);
}

// GLU leaves some vertices' normal or texture coordinates to the current ones: all of them with
// GLU_NONE, the texture coordinates of a quadric that was not asked for them, a flat sphere's
// pole (it comes before the first normal). Each quadric is drawn twice a frame, sent again from
// the cache at the left and by GLU itself at the right, in two frames with different current
// values: both halves must show the same, and leave the same current values.
TEST_F(LayerTest, QuadricsSentAgainTakeTheCurrentValuesWhereGLUGivesNone) {
    GLUquadric* none = gluNewQuadric();
    gluQuadricNormals(none, GLU_NONE);
    GLUquadric* plain = gluNewQuadric();
    GLUquadric* flat = gluNewQuadric();
    gluQuadricNormals(flat, GLU_FLAT);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    const unsigned char image[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, image);
    const float ahead[4] = {0, 0, 1, 0};
    const struct {
        const char* what;
        GLUquadric* quadric;
        bool sphere;
        bool lit;
        float normals[2][3];
        float tex[2][2];
    } cases[] = {
        {"GLU_NONE, lit", none, false, true, {{0, 0, 1}, {0.6f, 0, 0.8f}}, {{0, 0}, {0, 0}}},
        {"no texture coordinates", plain, false, false, {{0, 0, 1}, {0, 0, 1}}, {{0.25f, 0.25f}, {0.75f, 0.75f}}},
        {"a flat sphere's pole, lit", flat, true, true, {{0, 0, 1}, {0, 0, -1}}, {{0, 0}, {0, 0}}},
    };
    for (const auto& c : cases) {
        if (c.lit) {
            diffuseOnly(GL_LIGHT0);
            glLightfv(GL_LIGHT0, GL_POSITION, ahead);
        } else {
            glDisable(GL_LIGHTING);
            glEnable(GL_TEXTURE_2D);
        }
        glEnable(GL_CULL_FACE);  // the sphere's far side
        unsigned char centre[2][4] = {};
        for (int frame = 0; frame < 2; ++frame) {
            glClear(GL_COLOR_BUFFER_BIT);
            glColor3f(1, 1, 1);
            float after[2][7] = {};
            for (int direct = 0; direct < 2; ++direct) {
                glNormal3fv(c.normals[frame]);
                glTexCoord2f(c.tex[frame][0], c.tex[frame][1]);
                glPushMatrix();
                glTranslatef(16 + 32 * direct, 16, 0);
                // GLU's own gluDisk is its gluPartialDisk of the whole turn, which the cache would take.
                if (c.sphere) (direct ? __real_gluSphere : gluSphere)(c.quadric, 12, 8, 4);
                else if (direct) __real_gluPartialDisk(c.quadric, 0, 12, 8, 1, 0, 360);
                else gluDisk(c.quadric, 0, 12, 8, 1);
                glPopMatrix();
                glGetFloatv(GL_CURRENT_NORMAL, after[direct]);
                glGetFloatv(GL_CURRENT_TEXTURE_COORDS, after[direct] + 3);
            }
            unsigned char pixels[32 * 64 * 4];
            glReadPixels(0, 0, 64, 32, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
            int differing = 0;
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                    for (int k = 0; k < 3; ++k)
                        differing += std::abs(pixels[(y * 64 + x) * 4 + k] - pixels[(y * 64 + x + 32) * 4 + k]) > 1;
            EXPECT_EQ(differing, 0) << c.what << ", frame " << frame << ": the cache's quadric against GLU's";
            for (int k = 0; k < 7; ++k)
                EXPECT_EQ(after[0][k], after[1][k]) << c.what << ", frame " << frame << ": current value " << k << " after";
            for (int k = 0; k < 4; ++k) centre[frame][k] = pixels[(16 * 64 + 48) * 4 + k];
        }
        EXPECT_NE(memcmp(centre[0], centre[1], 4), 0) << c.what << ": the current values do not show";
        glDisable(GL_CULL_FACE);
        glDisable(GL_TEXTURE_2D);
        glFlush();
    }
    glDeleteTextures(1, &name);
    for (GLUquadric* q : {none, plain, flat}) gluDeleteQuadric(q);
}

// A frame that needs four programs that its context has not made, in a context of its own each
// time: where the browser is still compiling them when glFlush ends the frame (it offers
// KHR_parallel_shader_compile), the frame waits, and shows the same however the wait ends: the
// canvas holds it once layerFrameWaiting's polls say false and after glFinish (what the browser
// shows, and a still takes), and glReadPixels draws it before it reads.
TEST_F(LayerTest, AFrameWaitingForItsShadersShowsTheSameWhenPolledReadOrFinished) {
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE ours = emscripten_webgl_get_current_context();
    const char* const endings[3] = {"polled", "read back", "finished"};
    int waited = 0;
    bool offered = false;
    for (int ending = 0; ending < 3; ++ending) {
        char id[16];
        snprintf(id, sizeof id, "shaders%d", ending);
        addCanvas(id, kSize);
        char selector[20];
        snprintf(selector, sizeof selector, "#%s", id);
        EmscriptenWebGLContextAttributes attributes;
        emscripten_webgl_init_context_attributes(&attributes);
        attributes.majorVersion = 2;
        attributes.alpha = false;
        attributes.antialias = false;
        attributes.preserveDrawingBuffer = true;
        const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context(selector, &attributes);
        ASSERT_GT(context, 0);
        emscripten_webgl_make_context_current(context);
        offered = offersParallelCompile(id);
        SetUp();  // the layer as a program starting in this context finds it

        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        const unsigned char cyan[3] = {0, 255, 255};
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, cyan);
        // Smooth and flat, untextured; modulated and replaced by the texture.
        const float colours[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
        for (int square = 0; square < 4; ++square) {
            const float x = 4 + 24 * (square % 2), y = 4 + 24 * (square / 2);
            glShadeModel(square == 1 ? GL_FLAT : GL_SMOOTH);
            if (square >= 2) glEnable(GL_TEXTURE_2D);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, square == 3 ? GL_REPLACE : GL_MODULATE);
            glBegin(GL_QUADS);
            const float around[4][2] = {{0, 0}, {16, 0}, {16, 16}, {0, 16}};
            for (int i = 0; i < 4; ++i) {
                if (square < 2) glColor3fv(colours[i]);
                else glColor3f(1, 0.5f, 1);
                glVertex2f(x + around[i][0], y + around[i][1]);
            }
            glEnd();
        }
        glDisable(GL_TEXTURE_2D);
        glFlush();

        const bool waiting = canvasPixel(id, 12, 12) == 0;  // not drawn yet
        waited += waiting;
        if (ending == 0) {
            long polls = 0;
            while (layerFrameWaiting() && polls < 10000000) ++polls;
            EXPECT_LT(polls, 10000000) << "still compiling";
        } else if (ending == 2) {
            glFinish();
        }
        const std::string what = std::string(endings[ending]) + (waiting ? ", after waiting" : "");
        const struct {
            int x, y, rgb;
            const char* square;
        } expected[] = {{12, 12, 0x870078, "smooth"}, {36, 12, 0xFFFFFF, "flat"}, {12, 36, 0xFF8000, "modulated"},
                        {36, 36, 0xFFFF00, "replaced"}};
        for (const auto& e : expected) {
            int rgb = 0;
            if (ending == 1) {
                unsigned char p[4] = {0, 0, 0, 0};
                glReadPixels(e.x, e.y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
                rgb = p[0] | p[1] << 8 | p[2] << 16;
            } else {
                rgb = canvasPixel(id, e.x, e.y);
            }
            int off = 0;
            for (int k = 0; k < 3; ++k) off = std::max(off, std::abs((rgb >> 8 * k & 255) - (e.rgb >> 8 * k & 255)));
            EXPECT_LE(off, 1) << what << ": the " << e.square << " square is " << std::hex << rgb << ", not " << e.rgb;
        }
        EXPECT_FALSE(layerFrameWaiting()) << what;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << what;
        glDeleteTextures(1, &name);
    }
    printf("frames that waited for their shaders: %d of 3 (KHR_parallel_shader_compile %s)\n", waited,
           offered ? "offered" : "not offered");
    if (!offered) EXPECT_EQ(waited, 0) << "no frame waits where the browser cannot say without waiting";
    emscripten_webgl_make_context_current(ours);
    ASSERT_TRUE(layerRestoreContext());
}

// A program that starts while its context is away (lost during loading) asks for the limits and
// sets its viewport then; once the context is back it is told the browser's largest, and the
// viewport is as it asked, not WebGL 2's least. (A lost context of another canvas stands for the
// page's, lost and given back.)
TEST_F(LayerTest, LimitsAskedWhileTheContextIsLostAreAskedAgainOnceItIsBack) {
    const int largest = std::min(browserLargestTexture(), 16384);
    ASSERT_GT(largest, 2048) << "this browser's largest texture is WebGL 2's least: nothing to tell apart";
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE ours = emscripten_webgl_get_current_context();
    addLostCanvas();
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE lost = emscripten_webgl_create_context("#lost", &attributes);
    ASSERT_GT(lost, 0);
    ASSERT_TRUE(emscripten_is_webgl_context_lost(lost));
    emscripten_webgl_make_context_current(lost);
    glState = LayerState{};  // the program starts
    GLint size = 0, dims[2] = {0, 0}, viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    EXPECT_EQ(size, 2048) << "while the context is away";
    glViewport(0, 0, largest, largest);

    emscripten_webgl_make_context_current(ours);
    ASSERT_TRUE(layerRestoreContext());
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(size, largest);
    EXPECT_EQ(dims[0], largest);
    EXPECT_EQ(viewport[2], largest) << "the viewport asked for while the context was away";
    glViewport(0, 0, 2 * largest, 8);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], largest) << "clamped to the largest";
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    emscripten_set_canvas_element_size("#canvas", kSize, kSize);
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.alpha = false;
    attributes.antialias = false;
    attributes.preserveDrawingBuffer = true;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
        printf("gl_layer_test: no WebGL 2 context\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
