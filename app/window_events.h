// SPDX-License-Identifier: MIT
// window_events.h - the window, the wiring of the toolkit's events, and the two callbacks that
// belong to the frame rather than to viewing or input.
//
//   openWindow  hands the command line to the toolkit and creates the one window: "Talvenor",
//               800 × 600 at (100, 100), RGBA, double-buffered, with a depth buffer, and names
//               it to the desktop (setWindowIdentity)
//   wireEvents  registers, in this order: display, keyboard, special keys, mouse buttons, motion
//               with a button held, reshape, the 100 ms timer, and the frame again as idle
//   onReshape  stores the new window size (the next frame's viewport) and rebuilds the projection,
//              whose aspect stays 1.3 whatever the window's shape
//   onTimer    advances the day clock by 0.001 and registers itself again for the next 100 ms
#pragma once

void openWindow(int* argc, char** argv);
void wireEvents();
void onReshape(int width, int height);
void onTimer(int value);
