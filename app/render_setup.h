// SPDX-License-Identifier: MIT
// render_setup.h - the graphics state every frame starts from.
//
//   setUpRenderState  once, after the window exists and before the main loop: projection, smooth
//                     shading, additive blend function (blending itself off), blue clear colour,
//                     depth test, the shared quadric, two-sided lighting with light 0 (the beacon,
//                     a spot) and light 1 (the sun), the red start material, the twelve textures.
//                     Leaves 2-D texturing and blending off, both lights on, model-view current
//                     and still the identity.
#pragma once

void setUpRenderState();
