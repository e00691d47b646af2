// window_events.cpp - reshape and timer callbacks.
#include "app/window_events.h"

#include <GL/freeglut.h>

#include "app/scene_state.h"
#include "view/frame.h"

void onReshape(int width, int height) {
    scene.windowWidth = width;
    scene.windowHeight = height;
    applyProjection();
}

void onTimer(int) {
    // The only part of the day clock that does not follow the frame rate.
    scene.dayTime += 0.001f;
    glutTimerFunc(scene.timerIntervalMs, onTimer, 1);
}
