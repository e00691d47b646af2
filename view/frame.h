// frame.h - one frame, the projection, and the five cameras.
//
//   applyProjection  projection = identity then a perspective of fieldOfView degrees, aspect 1.3
//                    (not the window's), near 1, far 200; selects the model-view matrix again
//   displayFrame     display and idle callback: clear, viewport from the stored window size,
//                    identity, advance the orbit if autoOrbit, one gluLookAt for cameraMode,
//                    drawScene, swap. Model-view is current on return; the tree's transforms
//                    are left on it until the next frame loads the identity.
//
// Cameras: 1 orbit around the tower axis, 2 from the beacon lamp, 3 riding the sails,
//          4 from under the balloon, 5 following behind the bird.
#pragma once

void applyProjection();
void displayFrame();
