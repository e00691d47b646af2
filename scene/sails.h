// SPDX-License-Identifier: MIT
// sails.h - the axle and four sails on the hub in front of the collar.
//
//   drawSails       the closing steps of the mill tower: expects the matrix at the collar's base
//                   in the tower frame. Axle in what the pole left (black material, gold colour,
//                   wood texture), then magenta-unlit/white-lit sails at sailAngle about the hub
//                   (world (0, 10.5, 4.5)); afterwards sailAngle += sailSpeed. Leaves the hub's
//                   transforms on the matrix (a full turn after the four blades).
//   drawSailBlade   turns the matrix a further 90 degrees about z without saving it and draws
//                   one sail strip with the sail texture bound.
#pragma once

void drawSails();
void drawSailBlade();
