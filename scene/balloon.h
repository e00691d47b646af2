// SPDX-License-Identifier: MIT
// balloon.h - the hot-air balloon above the point (50, 50, 0).
//
//   drawBalloon  expects the matrix translated to the reference point (50, 50, 0). Draws unlit,
//                grey (0.8) modulated by the textures: basket walls, four flat ropes, floor
//                plate, envelope. Leaves: the matrix as on entry; lighting on only while
//                lightingOn; 2-D texturing on while texturingOn (never switched off here);
//                textures[11] bound; material colourMagenta; colour (0.8, 0.8, 0.8).
#pragma once

void drawBalloon();
