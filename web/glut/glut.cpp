// SPDX-License-Identifier: MIT
// glut.cpp - the browser build's GLUT: the program's callbacks, fed by its host.
//
// The host (web/shell/worker.js) runs the program in a dedicated worker, drawing on the page's
// canvas transferred to it as an OffscreenCanvas, or on the page's main thread where a worker
// cannot draw. Either way it makes the WebGL 2 context itself and leaves it in
// Module.preinitializedWebGLContext; glutCreateWindow registers it with emscripten's GL tables
// and makes it current, so that the GL layer finds it as the current context.
//
// Input arrives from the host through the talvenorGlut* calls below, in the order the user made
// it, and waits in a queue. Each step of the main loop (one per animation frame of the thread
// that draws) first hands the queue to the program's callbacks, then runs the idle callback, or
// the display callback when a redisplay was posted. So every input callback runs inside the
// loop's step, before the frame, where GLUT's loop calls them on the desktop too, and a step
// can be left out whole while the GL layer still compiles the shaders of the frame it keeps
// (layerFrameWaiting): nothing of the program runs then, and nothing of it moves.
//
// Timers fire on their own, from the thread's task queue (emscripten_async_call), as the
// desktop's fire whether or not a frame is drawn.
//
// The host learns of each step through Module.talvenorStepDone(drawn, milliseconds, took); a
// frame that waited for its shaders counts as drawn in the step that shows it, and took says
// whether the step handed the input queued before it to the callbacks.
#include <GL/glut.h>
#include <emscripten.h>

#include "web/gl/gl_layer.h"

namespace {

struct Callbacks {
    void (*display)() = nullptr;
    void (*idle)() = nullptr;
    void (*reshape)(int, int) = nullptr;
    void (*keyboard)(unsigned char, int, int) = nullptr;
    void (*special)(int, int, int) = nullptr;
    void (*mouse)(int, int, int, int) = nullptr;
    void (*motion)(int, int) = nullptr;
};

enum EventKind { kKeyboard, kSpecial, kMouse, kMotion, kReshape };

struct Event {
    EventKind kind;
    int a, b, c, d;  // key, x, y / button, state, x, y / x, y / width, height
};

constexpr int kQueueLength = 256;  // far more than a frame's worth of input

struct Timer {
    void (*callback)(int) = nullptr;  // nullptr: the slot is free
    int value = 0;
};

constexpr int kTimers = 16;

struct Toolkit {
    Callbacks callbacks;
    Event queue[kQueueLength];
    int queued = 0;
    int width = 300, height = 300;  // GLUT's own default window size, in pixels
    bool redisplay = true;          // a new window is displayed once
    bool windowMade = false;
    Timer timers[kTimers];
};

Toolkit toolkit;

void enqueue(const Event& event) {
    // A drag that moves faster than the frames keeps only its latest point; anything else that
    // overflows the queue is dropped rather than growing it.
    if (event.kind == kMotion && toolkit.queued > 0 && toolkit.queue[toolkit.queued - 1].kind == kMotion) {
        toolkit.queue[toolkit.queued - 1] = event;
        return;
    }
    if (toolkit.queued < kQueueLength) toolkit.queue[toolkit.queued++] = event;
}

void deliver(const Event& e) {
    const Callbacks& c = toolkit.callbacks;
    switch (e.kind) {
        case kKeyboard: if (c.keyboard) c.keyboard(static_cast<unsigned char>(e.a), e.b, e.c); break;
        case kSpecial: if (c.special) c.special(e.a, e.b, e.c); break;
        case kMouse: if (c.mouse) c.mouse(e.a, e.b, e.c, e.d); break;
        case kMotion: if (c.motion) c.motion(e.a, e.b); break;
        case kReshape:
            toolkit.width = e.a;
            toolkit.height = e.b;
            if (c.reshape) c.reshape(e.a, e.b);
            else glViewport(0, 0, e.a, e.b);  // GLUT's own reshape
            toolkit.redisplay = true;
            break;
    }
}

EM_JS(int, takeHostContext, (), {
    const gl = Module.preinitializedWebGLContext;
    if (!gl) return 0;
    const handle = GL.registerContext(gl, {majorVersion: 2, minorVersion: 0});
    GL.makeContextCurrent(handle);
    return handle;
});

EM_JS(void, tellStepDone, (int drawn, double milliseconds, int took), {
    if (Module.talvenorStepDone) Module.talvenorStepDone(drawn, milliseconds, took);
});

bool frameKept = false;  // the last display's frame waits in the GL layer for its shaders
bool stopped = false;    // the host has stopped the program: no step, no timer runs any more

void step() {
    if (stopped) return;
    const double start = emscripten_get_now();
    if (layerFrameWaiting()) {
        tellStepDone(0, emscripten_get_now() - start, 0);
        return;
    }
    if (frameKept) {  // drawn just now, by the layer: this step is that frame's
        frameKept = false;
        tellStepDone(1, emscripten_get_now() - start, 0);
        return;
    }
    // Callbacks may queue more (a key that posts a redisplay does not); what they queue waits
    // for the next step.
    const int count = toolkit.queued;
    Event events[kQueueLength];
    for (int i = 0; i < count; ++i) events[i] = toolkit.queue[i];
    toolkit.queued = 0;
    for (int i = 0; i < count; ++i) deliver(events[i]);

    bool drawn = false;
    if (toolkit.callbacks.idle) {
        toolkit.callbacks.idle();
        drawn = true;
    } else if (toolkit.redisplay && toolkit.callbacks.display) {
        toolkit.redisplay = false;
        toolkit.callbacks.display();
        drawn = true;
    }
    // A frame kept for its shaders is told once it is drawn.
    frameKept = drawn && layerFrameWaiting();
    tellStepDone(drawn && !frameKept ? 1 : 0, emscripten_get_now() - start, 1);
}

void fireTimer(void* slot) {
    Timer* timer = static_cast<Timer*>(slot);
    const Timer due = *timer;
    *timer = Timer{};  // free before the call, which may set the next one
    if (due.callback && !stopped) due.callback(due.value);
}

}  // namespace

extern "C" {

void glutInit(int*, char**) {}
void glutInitDisplayMode(unsigned int) {}  // the host made the context: RGBA, depth, double-buffered

void glutInitWindowSize(int width, int height) {
    if (toolkit.windowMade || width <= 0 || height <= 0) return;
    toolkit.width = width;
    toolkit.height = height;
}

void glutInitWindowPosition(int, int) {}  // the canvas stays where the page put it

int glutCreateWindow(const char*) {
    if (toolkit.windowMade) return 1;  // the page has one canvas
    if (!takeHostContext()) return 0;
    toolkit.windowMade = true;
    // As a window system does for a new window: its size is told before it is first displayed.
    enqueue({kReshape, toolkit.width, toolkit.height, 0, 0});
    return 1;
}

void glutReshapeWindow(int width, int height) {
    if (width > 0 && height > 0) enqueue({kReshape, width, height, 0, 0});
}

void glutPostRedisplay() { toolkit.redisplay = true; }

// The GL layer gathers a frame's vertices and draws them when it is flushed; the browser shows
// the canvas once the step's task ends.
void glutSwapBuffers() { glFlush(); }

void glutDisplayFunc(void (*callback)()) { toolkit.callbacks.display = callback; }
void glutIdleFunc(void (*callback)()) { toolkit.callbacks.idle = callback; }
void glutReshapeFunc(void (*callback)(int, int)) { toolkit.callbacks.reshape = callback; }
void glutKeyboardFunc(void (*callback)(unsigned char, int, int)) { toolkit.callbacks.keyboard = callback; }
void glutSpecialFunc(void (*callback)(int, int, int)) { toolkit.callbacks.special = callback; }
void glutMouseFunc(void (*callback)(int, int, int, int)) { toolkit.callbacks.mouse = callback; }
void glutMotionFunc(void (*callback)(int, int)) { toolkit.callbacks.motion = callback; }

void glutTimerFunc(unsigned int milliseconds, void (*callback)(int), int value) {
    if (!callback) return;
    for (Timer& timer : toolkit.timers) {
        if (timer.callback) continue;
        timer = {callback, value};
        emscripten_async_call(fireTimer, &timer, static_cast<int>(milliseconds));
        return;
    }
    // Every slot is taken: the program asked for more timers at once than any GLUT program here
    // does; the new one is not set.
}

// One step per animation frame; like GLUT's, it never returns.
void glutMainLoop() { emscripten_set_main_loop(step, 0, 1); }

// ---- the host's input, in the units the program's callbacks take -----------------------------

EMSCRIPTEN_KEEPALIVE void talvenorGlutKeyboard(int key, int x, int y) {
    if (key > 0 && key < 256) enqueue({kKeyboard, key, x, y, 0});
}

EMSCRIPTEN_KEEPALIVE void talvenorGlutSpecial(int key, int x, int y) { enqueue({kSpecial, key, x, y, 0}); }

// button: GLUT_LEFT_BUTTON, GLUT_MIDDLE_BUTTON or GLUT_RIGHT_BUTTON; state: GLUT_DOWN or GLUT_UP
EMSCRIPTEN_KEEPALIVE void talvenorGlutMouse(int button, int state, int x, int y) {
    if (button >= 0 && button <= 2 && (state == GLUT_DOWN || state == GLUT_UP)) enqueue({kMouse, button, state, x, y});
}

EMSCRIPTEN_KEEPALIVE void talvenorGlutMotion(int x, int y) { enqueue({kMotion, x, y, 0, 0}); }

// The context is lost: a frame the GL layer kept for its shaders is gone with it, and the first
// step after the restore draws anew, with the input that waits.
EMSCRIPTEN_KEEPALIVE void talvenorGlutContextLost() {
    frameKept = false;
    toolkit.redisplay = true;
}

// The program has ended or the host gave up: its steps and its timers run no more.
EMSCRIPTEN_KEEPALIVE void talvenorGlutStop() { stopped = true; }

// The host has given the canvas this drawing buffer size.
EMSCRIPTEN_KEEPALIVE void talvenorGlutReshape(int width, int height) {
    if (width > 0 && height > 0) enqueue({kReshape, width, height, 0, 0});
}

}  // extern "C"
