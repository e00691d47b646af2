// SPDX-License-Identifier: MIT
// mill_tower.h - the mill tower on the world origin, its beacon lamp and pennant, then the sails.
//
//   drawMillTower  expects the bare view transform on the model-view matrix. Draws, bottom to top:
//                  stone shaft, collar, gallery, blended lantern glass (no depth writes), the
//                  unlit lamp cone that turns with light 0's beam while beaconLit (lampAngle
//                  -2.2919717 per lit frame), its reflector, roof, pole and the unlit pennant
//                  (random walk of -4..+4 degrees per frame while vaneFlutter, unseeded rand);
//                  then the axle and sails (drawSails).
//                  Leaves: its transforms on the matrix (the caller pops them); material
//                  colourWhite (ambient-and-diffuse, specular); colour (1, 0, 1); textures[7]
//                  bound; lighting on while lightingOn; texturing on while texturingOn; blending
//                  off; depth writes on.
#pragma once

void drawMillTower();
