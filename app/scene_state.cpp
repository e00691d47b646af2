// SPDX-License-Identifier: MIT
// scene_state.cpp - the scene record and the palette, both with static storage.
#include "app/scene_state.h"

#include <cmath>

SceneState scene;

double wrapClock(float* clock, double turn) {
    const double bound = kClockTurns * turn;
    const double value = *clock;
    if (!std::isfinite(value) || std::fabs(value) < bound) return 0.0;
    *clock = float(value - std::trunc(value / bound) * bound);
    // Both are floats well within a double's reach of each other: the difference is exact.
    return value - double(*clock);
}

const ColourRGBA colourRed = {1.0f, 0.0f, 0.0f, 1.0f};
const ColourRGBA colourRose = {0.7f, 0.5f, 0.5f, 1.0f};
const ColourRGBA colourBlue = {0.0f, 0.0f, 1.0f, 1.0f};
const ColourRGBA colourGreen = {0.06f, 0.9f, 0.04f, 1.0f};
const ColourRGBA colourGrey = {0.8f, 0.8f, 0.8f, 1.0f};
const ColourRGBA colourGold = {0.83f, 0.78f, 0.11f, 1.0f};
const ColourRGBA colourMagenta = {1.0f, 0.0f, 1.0f, 1.0f};
const ColourRGBA colourWhite = {1.0f, 1.0f, 1.0f, 1.0f};
const ColourRGBA colourPaleWhite = {1.0f, 1.0f, 1.0f, 0.2f};
const ColourRGBA colourDimGrey = {0.2f, 0.2f, 0.2f, 0.0f};
const ColourRGBA colourBlack = {0.0f, 0.0f, 0.0f, 0.0f};
