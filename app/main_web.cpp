// SPDX-License-Identifier: MIT
// main_web.cpp - the entry in the browser: the program on the page's canvas, its frames paced by
// the browser, and stills drawn back to back when the page asks for one.
//
// The program runs as on the desktop: the window, its callbacks, the render state, GLUT's main
// loop. The browser's GLUT (web/glut/) takes the context its host made, steps the loop once per
// animation frame of the thread that draws (a worker, or the page's main thread) and hands the
// host's input to the callbacks; the idle callback, displayFrame, draws one frame per step.
//
// With arguments (the page turns "?camera=3&frames=40" into "--camera 3 --frames 40") the entry
// draws a still as talvenor_snapshot does: the same options, refused in the same words, the same
// scene fields set, N frames back to back with no timer, then glFinish. The frames are drawn in
// slices of about kStillSliceMs of work, one task each, kStillYieldMs apart, so that however long
// a frame takes the thread answers the page between them; only the drawing is timed. The host
// learns the outcome through Module.talvenorStillDone(frames, milliseconds) or
// Module.talvenorStillRefused(words).
//
// talvenorTellState hands a few scene fields to Module.talvenorState (the page's pinch reads the
// field of view; the checks read the rest).
//
// When the browser takes the graphics context away the host pauses the loop and calls
// talvenorGraphicsLost; a still waits between its slices. When the browser gives it back the host
// calls talvenorGraphicsRestored: the GL layer makes its GPU objects again from what it keeps, the
// day clock (which the 100 ms timer moved on meanwhile) is put back to where it was, and the
// frames go on. Nothing of the set-up is done again.
#include <GL/glut.h>
#include <emscripten.h>
#include <emscripten/html5_webgl.h>

#include <cstdio>
#include <cstdlib>

#include "app/render_setup.h"
#include "app/scene_state.h"
#include "app/still_options.h"
#include "app/window_events.h"
#include "view/frame.h"
#include "web/gl/gl_layer.h"

EM_JS(void, tellState, (int camera, double fieldOfView, double dragYaw, double dragPitch, int autoOrbit,
                        double sailSpeed, int width, int height), {
    Module.talvenorState = {camera: camera, fieldOfView: fieldOfView, dragYaw: dragYaw, dragPitch: dragPitch,
                            autoOrbit: autoOrbit, sailSpeed: sailSpeed, width: width, height: height};
});

extern "C" {

EMSCRIPTEN_KEEPALIVE void talvenorTellState() {
    tellState(scene.cameraMode, scene.fieldOfView, scene.dragYaw, scene.dragPitch, scene.autoOrbit,
              scene.sailSpeed, scene.windowWidth, scene.windowHeight);
}

}  // extern "C"

namespace {

bool graphicsLost = false;
float dayTimeAtLoss = 0.0f;
double dayTimeTakenAtLoss = 0.0;  // the timer may wrap the clock while the graphics are away

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void talvenorGraphicsLost() {
    if (graphicsLost) return;
    graphicsLost = true;
    dayTimeAtLoss = scene.dayTime;
    dayTimeTakenAtLoss = scene.dayTimeTaken;
}

// 1 when the layer made its GPU objects again, 0 when it could not.
EMSCRIPTEN_KEEPALIVE int talvenorGraphicsRestored() {
    if (!layerRestoreContext()) return 0;
    if (graphicsLost) {
        scene.dayTime = dayTimeAtLoss;
        scene.dayTimeTaken = dayTimeTakenAtLoss;
    }
    graphicsLost = false;
    return 1;
}

}  // extern "C"

EM_JS(void, tellStillDone, (double frames, double milliseconds), {
    if (Module.talvenorStillDone) Module.talvenorStillDone(frames, milliseconds);
});

EM_JS(void, tellStillRefused, (const char* words), {
    if (Module.talvenorStillRefused) Module.talvenorStillRefused(UTF8ToString(words));
});

namespace {

// A slice ends once this much time has gone into it. Each of its frames is finished (glFinish)
// before the next, so that the time holds the browser's drawing too, not only the calls that
// ask for it.
constexpr double kStillSliceMs = 30.0;

StillOptions still;
bool stillStopped = false;  // the host gave up: the frames left are not drawn
long stillFramesDrawn = 0;
double stillMilliseconds = 0.0;

void noDisplay() {}

// Between slices the thread waits this long with nothing to run, so that the page's messages that
// came meanwhile (a lost context, input) are taken first: a timer of none comes before them in a
// worker, and a loss would be heard of only once the still is done.
constexpr int kStillYieldMs = 10;

void drawStillSlice(void*) {
    if (stillStopped) return;
    // No frame is drawn, nor the scene moved on, while the context is away.
    if (graphicsLost || emscripten_is_webgl_context_lost(emscripten_webgl_get_current_context())) {
        emscripten_async_call(drawStillSlice, nullptr, 50);
        return;
    }
    const double start = emscripten_get_now();
    do {
        displayFrame();
        glFinish();
        ++stillFramesDrawn;
    } while (stillFramesDrawn < still.frames && emscripten_get_now() - start < kStillSliceMs);
    stillMilliseconds += emscripten_get_now() - start;
    if (stillFramesDrawn < still.frames) {
        emscripten_async_call(drawStillSlice, nullptr, kStillYieldMs);
        return;
    }
    tellStillDone(double(still.frames), stillMilliseconds);
}

// Returns 0 when the still is under way, 1 when it was refused (and the page told why).
int startStill(int argc, char** argv) {
    char* words = nullptr;
    size_t length = 0;
    FILE* errors = open_memstream(&words, &length);
    const int parsed = errors ? parseStillArguments(argc, argv, false, &still, errors, nullptr) : 2;
    if (errors) fclose(errors);
    if (parsed != 0) {
        const char* usage =
            "the page takes camera (1-5), frames (1-100000), time, drag-yaw, drag-pitch and "
            "orbit-angle";
        tellStillRefused(parsed == 1 || !words || !*words ? usage : words);
        free(words);
        return 1;
    }
    free(words);

    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(scene.windowWidth, scene.windowHeight);
    glutCreateWindow("Talvenor");
    glutDisplayFunc(noDisplay);
    setUpRenderState();
    applyStillOptions(still);
    emscripten_async_call(drawStillSlice, nullptr, kStillYieldMs);
    return 0;
}

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void talvenorStopStill() { stillStopped = true; }

int main(int argc, char** argv) {
    if (argc > 1) {
        glutInit(&argc, argv);
        startStill(argc, argv);
        emscripten_exit_with_live_runtime();
    }
    openWindow(&argc, argv);
    wireEvents();
    setUpRenderState();
    glutMainLoop();
    return 0;
}
