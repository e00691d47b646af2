// SPDX-License-Identifier: MIT
// keyboard.h - single-key commands. Case-sensitive; every key not listed does nothing.
//
//   onKey  Escape quits at once; space toggles the pennant's flutter; "+"/"-" make the sails
//          faster/slower in their present direction (steps of 0.1f, hopping across zero);
//          "a"/"q" take 0.5 from / add 0.5 to the signed orbit radius, so at the start (radius
//          -60) "a" moves the orbit camera away from the tower and "q" towards it, and past
//          the axis the camera comes out on the other side; "x"/"y" raise/lower it by 0.1;
//          "l" toggles lighting and "t" 2-D texturing, both at once in OpenGL too;
//          "s" toggles the beacon wish and sets light 0's colours (black when off) at once.
#pragma once

void onKey(unsigned char key, int x, int y);
