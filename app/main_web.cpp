// SPDX-License-Identifier: MIT
// main_web.cpp - the entry in the browser: the page's canvas as the window, one frame per
// animation frame of the browser, and stills drawn back to back when the page asks for one.
//
// The page creates the WebGL 2 context and hands it to the toolkit, whose glutCreateWindow takes
// it. The desktop draws frames back to back as the idle callback and lets the buffer swap wait
// for the screen; here the browser paces them: the idle callback is taken off again at once (the
// toolkit would otherwise draw every 4 ms, showing one frame in four) and displayFrame runs once
// per requestAnimationFrame. The 100 ms timer stays as it is.
//
// With arguments (the page turns "?camera=3&frames=40" into "--camera 3 --frames 40") the entry
// draws a still as talvenor_snapshot does: the same options, refused in the same words, the same
// scene fields set, N frames back to back with no timer, then glFinish. The frames are drawn in
// slices of at most kStillSlice per browser task, so that no count keeps the page from answering;
// only the drawing is timed. The page learns the outcome through Module.talvenorStillDone(frames,
// milliseconds) or Module.talvenorStillRefused(words).
//
// The page's buttons hand keys to the program's own handlers through talvenorPressKey and
// talvenorPressSpecialKey. Escape ends the program with exit(0), as on the desktop; the page sees
// that through Module.quit and stops the frames.
//
// The page owns the pointer, mouse and touch alike, and hands it on through talvenorPointerButton
// and talvenorPointerDrag in CSS pixels of the shown canvas, so that a drag moves the view by the
// same amount per CSS pixel whatever the drawing buffer's size. It sizes the drawing buffer to the
// shown canvas and tells the program through talvenorReshape, which is the desktop's reshape.
// talvenorTellState hands a few scene fields to Module.talvenorState (the page's pinch reads the
// field of view; the checks read the rest).
//
// When the browser takes the graphics context away the page pauses the frames and calls
// talvenorGraphicsLost; a still waits between its slices. When the browser gives it back the page
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
#include "view/keyboard.h"
#include "view/pointer.h"
#include "web/gl/gl_layer.h"

// The toolkit's own buffer swap does nothing; the GL layer gathers a frame's vertices and draws
// them when it is flushed, and the browser shows the canvas once the task ends.
extern "C" void glutSwapBuffers() {
    glFlush();
}

EM_JS(void, tellState, (int camera, double fieldOfView, double dragYaw, double dragPitch, int autoOrbit,
                        double sailSpeed, int width, int height), {
    Module.talvenorState = {camera: camera, fieldOfView: fieldOfView, dragYaw: dragYaw, dragPitch: dragPitch,
                            autoOrbit: autoOrbit, sailSpeed: sailSpeed, width: width, height: height};
});

extern "C" {

EMSCRIPTEN_KEEPALIVE void talvenorPressKey(int key) {
    onKey(static_cast<unsigned char>(key), 0, 0);
}

EMSCRIPTEN_KEEPALIVE void talvenorPressSpecialKey(int key) {
    onSpecialKey(key, 0, 0);
}

// button: GLUT_LEFT_BUTTON, GLUT_MIDDLE_BUTTON or GLUT_RIGHT_BUTTON; released: 0 pressed, 1 up.
EMSCRIPTEN_KEEPALIVE void talvenorPointerButton(int button, int released, int x, int y) {
    onMouseButton(button, released ? GLUT_UP : GLUT_DOWN, x, y);
}

EMSCRIPTEN_KEEPALIVE void talvenorPointerDrag(int x, int y) {
    onMouseDrag(x, y);
}

// The page has already given the canvas this drawing buffer size.
EMSCRIPTEN_KEEPALIVE void talvenorReshape(int width, int height) {
    onReshape(width, height);
}

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

constexpr long kStillSlice = 100;

StillOptions still;
long stillFramesDrawn = 0;
double stillMilliseconds = 0.0;

void noDisplay() {}

void drawStillSlice(void*) {
    // No frame is drawn, nor the scene moved on, while the context is away.
    if (graphicsLost || emscripten_is_webgl_context_lost(emscripten_webgl_get_current_context())) {
        emscripten_async_call(drawStillSlice, nullptr, 50);
        return;
    }
    const double start = emscripten_get_now();
    long slice = 0;
    while (stillFramesDrawn < still.frames && slice < kStillSlice) {
        displayFrame();
        ++stillFramesDrawn;
        ++slice;
    }
    glFinish();
    stillMilliseconds += emscripten_get_now() - start;
    if (stillFramesDrawn < still.frames) {
        emscripten_async_call(drawStillSlice, nullptr, 0);
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
    emscripten_async_call(drawStillSlice, nullptr, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        glutInit(&argc, argv);
        startStill(argc, argv);
        emscripten_exit_with_live_runtime();
    }
    openWindow(&argc, argv);
    wireEvents();
    glutIdleFunc(nullptr);  // in the same task: the toolkit's 4 ms idle never starts
    setUpRenderState();
    glutReshapeWindow(scene.windowWidth, scene.windowHeight);  // the first reshape, as on the desktop
    emscripten_set_main_loop(displayFrame, 0, 1);
    return 0;
}
