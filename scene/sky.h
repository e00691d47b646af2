// SPDX-License-Identifier: MIT
// sky.h - the day clock, the sun and its light, the moon, and the sky dome.
//
//   drawSun   dayTime += 0.01f, wrapped (wrapClock); light 1 placed at the previous sunPosition, then the sun moved
//             to (-90 cos t, -90 sin t, -30 sin t) and coloured (0.5 - sin t, -0.7 sin t, 0),
//             unclamped (below zero at night, above one at noon), as light 1's diffuse and
//             specular; draws the sphere glowing (emission sunColour, left set) with light 0
//             off around it. Expects the bare view transform; touches neither lighting nor
//             texturing.
//   drawMoon  the moon opposite the sun, unlit, white, textured while texturingOn; resets the
//             emission to black. Leaves material colourWhite, colour white, textures[9] bound,
//             texturing on while texturingOn, lighting on while lightingOn.
//   drawSky   expects the caller to have just pushed the matrix. Textured dome of radius 100 about
//             the origin, turned by skyTurnDegrees, lit by light 1 alone; ends with
//             a pop and a push so the caller's later pop still finds its partner. Leaves
//             texturing on while texturingOn, textures[8] bound, light 0 enabled.
//   skyTurnDegrees  the dome's turn about the vertical: 10 degrees per radian of the day clock
//             as if it had never been wrapped (dayTime plus dayTimeTaken), less whole circles.
#pragma once

double skyTurnDegrees();

void drawSun();
void drawMoon();
void drawSky();
