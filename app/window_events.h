// window_events.h - the two callbacks that belong to the frame rather than to viewing or input.
//
//   onReshape  stores the new window size (the next frame's viewport) and rebuilds the projection,
//              whose aspect stays 1.3 whatever the window's shape
//   onTimer    advances the day clock by 0.001 and registers itself again for the next 100 ms
#pragma once

void onReshape(int width, int height);
void onTimer(int value);
