// SPDX-License-Identifier: MIT
// scene_pass.h - every object once per frame, in a fixed order, with the beacon and the day/night rule.
//
//   drawScene  expects: model-view current holding the bare view transform, buffers cleared,
//              2-D texturing off (the previous pass ended so).
//              Order: bird, balloon, square tower, beacon sweep (light 0 aimed and placed at the
//              lantern), sun, moon, day/night rule, sky material, push, sky (which pops and pushes
//              again), round building, ground, mill tower with the sails, pop, tree.
//              Leaves: 2-D texturing off; the tree's transforms on the model-view matrix; the
//              stack depth as on entry; light 0 enabled (the sky re-enables it whatever the rule
//              decided - a dark beacon is carried by light 0's black colours).
#pragma once

void drawScene();
