// SPDX-License-Identifier: MIT
// window_events.cpp - window creation, event wiring, reshape and timer callbacks.
#include "app/window_events.h"

#include <GL/freeglut.h>

#include "app/scene_state.h"
#include "app/window_identity.h"
#include "view/frame.h"
#include "view/keyboard.h"
#include "view/pointer.h"

void openWindow(int* argc, char** argv) {
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(scene.windowWidth, scene.windowHeight);
    glutInitWindowPosition(100, 100);
    glutCreateWindow("Talvenor");
    setWindowIdentity();
}

void wireEvents() {
    glutDisplayFunc(displayFrame);
    glutKeyboardFunc(onKey);
    glutSpecialFunc(onSpecialKey);
    glutMouseFunc(onMouseButton);
    glutMotionFunc(onMouseDrag);
    glutReshapeFunc(onReshape);
    glutTimerFunc(scene.timerIntervalMs, onTimer, 1);
    glutIdleFunc(displayFrame);  // frames back to back, as fast as the loop runs
}

void onReshape(int width, int height) {
    scene.windowWidth = width;
    scene.windowHeight = height;
    applyProjection();
}

void onTimer(int) {
    // The only part of the day clock that does not follow the frame rate.
    scene.dayTime += 0.001f;
    scene.dayTimeTaken += wrapClock(&scene.dayTime, kRadianTurn);
    glutTimerFunc(scene.timerIntervalMs, onTimer, 1);
}
