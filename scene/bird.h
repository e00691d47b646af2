// SPDX-License-Identifier: MIT
// bird.h - a bird that beats its wings and turns its head.
//
//   drawBird  expects the matrix in the bird frame: body along +z from the tail (z = 0) to the
//             breast (z = 5), +y up, wings towards -x and +x. Draws body, caps, the two wings
//             (inner triangle blue, tip green) lifted by wingLift, neck, head, beak and eyes,
//             then advances the wing beat (0.1 per call, turning at >= 2.5 and <= -1.0) and
//             the head turn (0.3 degrees per call, turning at >= 20 and <= -20), each stored
//             as a float after every step: a beat takes 72 calls, a head cycle 268.
//             Binds no texture, sets no colour, switches neither lighting nor texturing.
//             Leaves the matrix as on entry and material colourBlue.
#pragma once

void drawBird();
