// SPDX-License-Identifier: MIT
// frame.h - one frame, the projection, and the five cameras.
//
//   applyProjection  projection = identity then a perspective of fieldOfView degrees, aspect 1.3
//                    (not the window's), near 1, far 200; selects the model-view matrix again
//   displayFrame     display and idle callback: clear, viewport from the stored window size,
//                    identity, advance the orbit if autoOrbit, one gluLookAt for cameraMode,
//                    drawScene, swap. Model-view is current on return; the tree's transforms
//                    are left on it until the next frame loads the identity.
//
//   cameraLookAt     the eye, centre and up that displayFrame hands to gluLookAt for cameraMode;
//                    false (and no look-at) for any other mode. Each value is computed in double
//                    from the float fields and rounded to float once. Mode 5 first limits
//                    dragPitch to ±85 and stores followX/followZ, as its frame does. No OpenGL.
//
// Cameras: 1 orbit around the tower axis, 2 from the beacon lamp, 3 riding the sails,
//          4 from under the balloon, 5 following behind the bird.
#pragma once

struct CameraLookAt {
    float eye[3];     // scene units
    float centre[3];  // the point looked at, scene units
    float up[3];      // not of unit length; gluLookAt normalises it
};

void applyProjection();
void displayFrame();
bool cameraLookAt(CameraLookAt* view);
