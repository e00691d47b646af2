// keyboard.cpp - the keyboard callback.
#include "view/keyboard.h"

#include <GL/gl.h>

#include <cstdlib>

#include "app/scene_state.h"
#include "scene/material.h"

namespace {

void toggleLighting() {
    if (scene.lightingOn) {
        scene.lightingOn = 0;
        glDisable(GL_LIGHTING);
    } else {
        scene.lightingOn = 1;
        glEnable(GL_LIGHTING);
    }
}

void toggleTexturing() {
    if (scene.texturingOn) {
        scene.texturingOn = 0;
        glDisable(GL_TEXTURE_2D);
    } else {
        scene.texturingOn = 1;
        glEnable(GL_TEXTURE_2D);
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
    case 'l': toggleLighting(); break;
    case 't': toggleTexturing(); break;
    case 's': toggleBeacon(); break;
    default: break;
    }
}
