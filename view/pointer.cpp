// SPDX-License-Identifier: MIT
// pointer.cpp - special-key, mouse-button and motion callbacks.
#include "view/pointer.h"

#include <GL/freeglut.h>

#include "app/scene_state.h"
#include "view/frame.h"

void onSpecialKey(int key, int, int) {
    switch (key) {
    case GLUT_KEY_F1: scene.cameraMode = 1; break;
    case GLUT_KEY_F2: scene.cameraMode = 2; break;
    case GLUT_KEY_F3: scene.cameraMode = 3; break;
    case GLUT_KEY_F4: scene.cameraMode = 4; break;
    case GLUT_KEY_F5: scene.cameraMode = 5; break;
    case GLUT_KEY_UP: scene.fieldOfView = float(scene.fieldOfView - 0.5); break;
    case GLUT_KEY_DOWN: scene.fieldOfView = float(scene.fieldOfView + 0.5); break;
    default: break;
    }
    applyProjection();
}

void onMouseButton(int button, int state, int x, int y) {
    if (state == GLUT_UP) return;
    if (button == GLUT_LEFT_BUTTON) {
        scene.sailSpeed *= -1;
        scene.lastMouseX = float(x);
        scene.lastMouseY = float(y);
    } else if (button == GLUT_RIGHT_BUTTON) {
        scene.autoOrbit = !scene.autoOrbit;
    }
}

void onMouseDrag(int x, int y) {
    if (scene.cameraMode != 4 && scene.cameraMode != 5) return;
    scene.dragYaw += scene.lastMouseX - float(x);
    scene.dragPitch += scene.lastMouseY - float(y);
    scene.lastMouseX = float(x);
    scene.lastMouseY = float(y);
}
