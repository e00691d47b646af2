// SPDX-License-Identifier: MIT
// frame.cpp - the frame driver and the camera modes.
//
// Every intermediate of a camera is computed in double from the float fields and stored as a float
// once, before gluLookAt takes it as a double.
#include "view/frame.h"

#include <GL/freeglut.h>

#include <cmath>

#include "app/scene_state.h"
#include "scene/scene_pass.h"

namespace {

constexpr double kDegreesPerRadian = 57.29577951;

CameraLookAt lookAt(float eyeX, float eyeY, float eyeZ, float centreX, float centreY, float centreZ,
                    float upX, float upY, float upZ) {
    return {{eyeX, eyeY, eyeZ}, {centreX, centreY, centreZ}, {upX, upY, upZ}};
}

}  // namespace

bool cameraLookAt(CameraLookAt* view) {
    switch (scene.cameraMode) {
    case 1: {
        const float eyeX = float(cos(double(scene.orbitAngle)) * scene.orbitRadius);
        const float eyeZ = float(sin(double(scene.orbitAngle)) * scene.orbitRadius);
        *view = lookAt(eyeX, scene.orbitHeight, eyeZ, 0, scene.orbitHeight, 0, 0, 1, 0);
        return true;
    }
    case 2: {
        const float centreX = float(sin(scene.lampAngle / kDegreesPerRadian));
        const float centreZ = float(cos(scene.lampAngle / kDegreesPerRadian));
        *view = lookAt(0, 13, 0, centreX, 13, centreZ, 0, 17, 0);
        return true;
    }
    case 3: {
        const float u = float(cos(scene.sailAngle / kDegreesPerRadian));
        const float w = float(sin(scene.sailAngle / kDegreesPerRadian));
        // 5 * w + 10 in double and rounded once: in float the product would be rounded first.
        const float eyeX = float(5.0 * u);
        const float eyeY = float(5.0 * w + 10.0);
        *view = lookAt(eyeX, eyeY, 4, 0, 10, 25, u, w, 0);
        return true;
    }
    case 4: {
        const float centreY = float(scene.dragPitch / 10.0);
        const float centreZ = float(scene.dragYaw / 10.0);
        *view = lookAt(50, 50, 0, 0, centreY, centreZ, 0, 52, 0);
        return true;
    }
    case 5: {
        if (scene.dragPitch > 85) scene.dragPitch = 85;
        if (scene.dragPitch < -85) scene.dragPitch = -85;
        const double yaw = scene.dragYaw / kDegreesPerRadian;
        scene.followX = float(cos(yaw) * scene.dragPitch);
        scene.followZ = float(sin(yaw) * scene.dragPitch);
        if (scene.dragPitch == 0) {
            // The eye stands straight above the point it looks at, so the usual up vector would be
            // parallel to the line of sight and the view would collapse. Look straight down with
            // the bird's heading at the top of the picture instead.
            const float upX = float(-cos(yaw));
            const float upZ = float(-sin(yaw));
            *view = lookAt(scene.followX, 50, scene.followZ, 0, 15, 0, upX, 0, upZ);
        } else {
            *view = lookAt(scene.followX, 50, scene.followZ, 0, 15, 0, 0, 52, 0);
        }
        return true;
    }
    default:
        return false;
    }
}

void applyProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(scene.fieldOfView, 1.3, 1.0, 200.0);
    glMatrixMode(GL_MODELVIEW);
}

void displayFrame() {
    glMatrixMode(GL_MODELVIEW);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glViewport(0, 0, scene.windowWidth, scene.windowHeight);
    glLoadIdentity();
    if (scene.autoOrbit) scene.orbitAngle = float(scene.orbitAngle + 0.03);
    wrapClock(&scene.orbitAngle, kRadianTurn);
    CameraLookAt view;
    if (cameraLookAt(&view))
        gluLookAt(view.eye[0], view.eye[1], view.eye[2], view.centre[0], view.centre[1], view.centre[2],
                  view.up[0], view.up[1], view.up[2]);
    drawScene();
    glutSwapBuffers();
}
