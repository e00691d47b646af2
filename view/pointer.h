// SPDX-License-Identifier: MIT
// pointer.h - function keys, arrow keys and the mouse.
//
//   onSpecialKey   F1..F5 choose the camera; Up/Down zoom by 0.5 degrees of field of view (no
//                  limits); after every special key the projection is rebuilt
//   onMouseButton  presses only: left reverses the sails and remembers the pointer,
//                  right toggles the automatic orbit, middle does nothing
//   onMouseDrag    in camera modes 4 and 5 only: adds the pointer's travel since the last press
//                  or drag (left/up positive) to dragYaw/dragPitch and remembers the pointer
#pragma once

void onSpecialKey(int key, int x, int y);
void onMouseButton(int button, int state, int x, int y);
void onMouseDrag(int x, int y);
