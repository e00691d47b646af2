// SPDX-License-Identifier: MIT
// snapshot.cpp - renders the scene without anyone watching and writes the picture to a bitmap file.
//
//   talvenor_snapshot [toolkit options] [--camera 1-5] [--frames N] [--time T]
//                     [--drag-yaw D] [--drag-pitch D] [--orbit-angle A] [--shininess S]
//                     output.dib
//
// The window is the program's own (800 x 600, double-buffered, with depth) but stays hidden; the
// frames are drawn by displayFrame, exactly as the program draws them, back to back with no timer.
// --time sets dayTime before the first frame; every frame then adds 0.01 to it, as always
// (night while sin(dayTime) > 0, so 0 to 3.14 is night with midnight at 1.57, 3.14 to 6.28 day
// with noon at 4.71). A time of 64 days (64 x 2 pi) or more is what the running program would
// hold after that long: the clock gets what is left over whole blocks of 64 days and the sky is
// turned by ten times the whole time (see wrapClock in app/scene_state.h).
// --drag-yaw and --drag-pitch stand in for mouse drags in cameras 4 and 5; --orbit-angle (radians)
// places camera 1 elsewhere on its circle (0 looks from -x, -1.57 from +z, in front of the sails).
// --shininess sets the materials' shininess, which the program leaves at 0 (see still_options.h:
// Mesa draws the beacon's highlight at 0 otherwise than OpenGL says; 1e-6 draws it as OpenGL does).
//
// displayFrame ends with the buffer swap. Mesa's software renderer leaves the back buffer holding
// the frame after the swap, so the picture is read from there; the tool asks for that renderer
// unless LIBGL_ALWAYS_SOFTWARE is already set. The picture is written with the program's own
// bitmap writer: 24 bits per pixel, uncompressed, bottom-up, the layout the texture files use.
// Run it in the folder holding the twelve texture files, or the scene is drawn untextured.
// GL errors that the set-up or a frame leaves are printed with the frame's number and do not stop
// the picture from being written; they only change the exit status to 3.
#include <GL/freeglut.h>

#include <cstdio>

#include "app/leak_check.h"
#include "app/render_setup.h"
#include "app/scene_state.h"
#include "app/still_options.h"
#include "texture/bitmap.h"
#include "tools/software_renderer.h"
#include "view/frame.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kStride = (3 * kWidth + 3) & ~3;  // bitmap rows are padded to four bytes

unsigned char pixels[kStride * kHeight];

void printUsage(FILE* to) {
    fprintf(to,
            "usage: talvenor_snapshot [toolkit options] [--camera 1-5] [--frames N] [--time T]\n"
            "                         [--drag-yaw D] [--drag-pitch D] [--orbit-angle A]\n"
            "                         [--shininess S] output.dib\n"
            "Draws N frames (default 1) of the scene at 800x600 in a hidden window and writes the\n"
            "last one as a 24-bit bitmap. --time is the day clock in radians before the first frame\n"
            "(each frame adds 0.01; night while its sine is positive). --shininess sets the\n"
            "materials' shininess (0 to 128; the program leaves it at 0). Run it in the folder that\n"
            "holds 0textur.dib .. 11textur.dib.\n"
            "Exit status: 0 written; 1 not written; 2 bad command line; 3 written, but the frames\n"
            "raised GL errors (each is printed with its frame number).\n");
}

constexpr long kMaxReportedErrors = 20;

void noDisplay() {}

// Takes every error left pending off the queue and names it with the frame's number (1 is the
// first frame, 0 the set-up before it), so that it is neither lost nor blamed on the read-back.
// Returns how many there were.
long reportFrameErrors(long frame, long reportedSoFar) {
    long count = 0;
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
        if (reportedSoFar + count < kMaxReportedErrors)
            fprintf(stderr, "talvenor_snapshot: %s %ld: GL error 0x%04X (%s)\n", frame == 0 ? "set-up" : "frame",
                    frame, unsigned(error), reinterpret_cast<const char*>(gluErrorString(error)));
        ++count;
    }
    return count;
}

// Returns 0 when written, 1 when the read-back raised a GL error, -1 when the file cannot be written.
int writePicture(const char* fileName) {
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // Bottom row first. GL_BGR_EXT, the extension's name for GL_BGR: Windows' gl.h stops at 1.1.
    glReadPixels(0, 0, kWidth, kHeight, GL_BGR_EXT, GL_UNSIGNED_BYTE, pixels);
    if (glGetError() != GL_NO_ERROR) return 1;

    BitmapInfoHeader info = {};
    info.headerSize = sizeof(BitmapInfoHeader);
    info.width = kWidth;
    info.height = kHeight;  // positive: bottom-up, as glReadPixels delivers the rows
    info.planes = 1;
    info.bitCount = 24;
    info.compression = 0;
    info.imageSize = uint32_t(kStride) * kHeight;
    info.xPixelsPerMetre = 2835;  // 72 dots per inch
    info.yPixelsPerMetre = 2835;
    return saveBitmapFile(fileName, &info, pixels);
}

}  // namespace

int main(int argc, char** argv) {
    preferSoftwareRenderer();

    glutInit(&argc, argv);  // takes the toolkit's options (-display, -geometry, ...) out of argv

    StillOptions options;
    const int parsed = parseStillArguments(argc, argv, true, &options, stderr, "talvenor_snapshot");
    if (parsed == 1) {
        printUsage(stdout);
        return 0;
    }
    if (parsed != 0) {
        printUsage(stderr);
        return 2;
    }

    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(kWidth, kHeight);
    glutInitWindowPosition(100, 100);
    const int window = glutCreateWindow("Talvenor snapshot");
    glutDisplayFunc(noDisplay);
    glutHideWindow();
    keepLibrariesLoaded();  // the driver came with the window

    setUpRenderState();

    applyStillOptions(options);
    long frameErrors = reportFrameErrors(0, 0);  // left by the set-up
    for (long frame = 1; frame <= options.frames; ++frame) {
        displayFrame();
        frameErrors += reportFrameErrors(frame, frameErrors);
    }
    glFinish();
    frameErrors += reportFrameErrors(options.frames, frameErrors);

    const int written = writePicture(options.output);
    glutDestroyWindow(window);
    if (written == 1) {
        fprintf(stderr, "talvenor_snapshot: reading the picture back raised a GL error\n");
        return 1;
    }
    if (written != 0) {
        fprintf(stderr, "talvenor_snapshot: cannot write %s\n", options.output);
        return 1;
    }
    if (frameErrors > 0) {
        if (frameErrors > kMaxReportedErrors)
            fprintf(stderr, "talvenor_snapshot: %ld GL errors in all\n", frameErrors);
        fprintf(stderr, "talvenor_snapshot: %s written, but the frames raised GL errors\n", options.output);
        return 3;
    }
    return 0;
}
