// SPDX-License-Identifier: MIT
// keyboard.cpp - the keyboard callback.
#include "view/keyboard.h"

#include <GL/gl.h>

#include <cstdlib>

#include "app/scene_state.h"
#include "scene/material.h"

namespace {

// Flips a wish flag and the OpenGL capability that goes with it, at once.
void toggleCapability(int* wanted, GLenum capability) {
    if (*wanted) {
        *wanted = 0;
        glDisable(capability);
    } else {
        *wanted = 1;
        glEnable(capability);
    }
}

// The sky switches light 0 on again in every frame, so the dark beacon lives in its colours.
void toggleBeacon() {
    if (scene.beaconWanted == 1) {
        setBeaconColours(colourBlack, colourBlack);
        scene.beaconWanted = 0;
    } else {
        setBeaconColours(colourDimGrey, colourWhite);
        scene.beaconWanted = 1;
    }
}

}  // namespace

void onKey(unsigned char key, int, int) {
    switch (key) {
    case 27: exit(0);
    case ' ': scene.vaneFlutter = !scene.vaneFlutter; break;
    case '+':
        if (scene.sailSpeed > 0) scene.sailSpeed += 0.1f;
        else scene.sailSpeed -= 0.1f;
        break;
    case '-':
        if (scene.sailSpeed < 0) scene.sailSpeed += 0.1f;
        else scene.sailSpeed -= 0.1f;
        break;
    case 'a': scene.orbitRadius = float(scene.orbitRadius - 0.5); break;
    case 'q': scene.orbitRadius = float(scene.orbitRadius + 0.5); break;
    case 'x': scene.orbitHeight = float(scene.orbitHeight + 0.1); break;
    case 'y': scene.orbitHeight = float(scene.orbitHeight - 0.1); break;
    case 'l': toggleCapability(&scene.lightingOn, GL_LIGHTING); break;
    case 't': toggleCapability(&scene.texturingOn, GL_TEXTURE_2D); break;
    case 's': toggleBeacon(); break;
    default: break;
    }
}
