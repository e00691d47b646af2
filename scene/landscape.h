// SPDX-License-Identifier: MIT
// landscape.h - the still objects around the mill tower.
//
//   drawGround         textured disk, radius 2 to 80, in the plane y = 0. Texturing is whatever
//                      the sky left. Leaves textures[1] bound, material colourGreen, colour
//                      (0.06, 0.9, 0.04, 1); matrix as on entry.
//   drawRoundBuilding  textured cylinder of radius 10 and height 20 on the axis x = 0, z = -40,
//                      with a flat roof. Leaves textures[0] bound, material colourRose, colour
//                      white; matrix as on entry.
//   drawSquareTower    four open walls, 9 × 40 grids of unit quads, closing a 9 × 9 square from
//                      the caller's origin along +x and +z, 40 high. Sets no colour. Leaves
//                      texturing off, textures[10] bound, material colourWhite; matrix as on
//                      entry (the four quarter turns and shifts compose to the identity).
//   drawTree           trunk and three cones on the axis x = -7, z = 7. Binds no texture (it
//                      wears whatever is bound) and saves no matrix: returns with its transforms
//                      on it, so it must be the last drawing of the pass. Leaves material
//                      colourGreen, colour red.
#pragma once

void drawGround();
void drawRoundBuilding();
void drawSquareTower();
void drawTree();
