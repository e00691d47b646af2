// SPDX-License-Identifier: MIT
// sails.cpp - the sails and the axle.
#include "scene/sails.h"

#include <GL/glu.h>

#include "app/scene_state.h"
#include "scene/material.h"

namespace {

// One sail in its own frame: x out from the hub, y across. A narrow stem, then the full
// blade on the side of negative y. The odd coordinates (t = 0.8, s = 16) are part of the look:
// with repeat wrapping the canvas repeats some fifteen times along the lower edge.
struct SailVertex {
    double s, t;
    double x, y, z;
};

const SailVertex kSailStrip[8] = {
    {0.0, 1.0, 0.0, 0.2, 0.0},
    {0.0, 0.0, 0.0, -0.2, 0.0},
    {0.2, 1.0, 0.6, 0.2, 0.0},
    {0.2, 0.8, 0.6, -0.2, 0.0},
    {0.5, 1.0, 1.0, 0.2, 0.0},
    {0.5, 0.0, 1.0, -1.4, 0.0},
    {1.0, 1.0, 7.0, 0.2, 0.0},
    {16.0, 0.0, 7.0, -1.4, 0.0},
};

}  // namespace

void drawSailBlade() {
    glRotated(90, 0, 0, 1);
    glBindTexture(GL_TEXTURE_2D, scene.textures[kTexSail]);
    glBegin(GL_TRIANGLE_STRIP);
    for (const SailVertex& v : kSailStrip) {
        glTexCoord2d(v.s, v.t);
        glVertex3d(v.x, v.y, v.z);
    }
    glEnd();
}

void drawSails() {
    glTranslated(0, 0, 0.5);  // middle of the collar, height 10.5
    glRotated(90, 1, 0, 0);   // world axes again
    glTranslated(0, 0, 2.5);
    // The axle wears what the pole and pennant left: black material, gold colour, wood texture.
    gluCylinder(scene.quadric, 0.2, 0.2, 2, 10, 2);
    glColor3d(1, 0, 1);
    setMaterialTwoCalls(colourWhite);
    glTranslated(0, 0, 2);  // the hub
    glRotated(scene.sailAngle, 0, 0, 1);
    // No normals: the sails are lit with the axle's last normal, held in their own frame.
    for (int blade = 0; blade < 4; ++blade) drawSailBlade();
    scene.sailAngle += scene.sailSpeed;
    wrapClock(&scene.sailAngle, kDegreeTurn);
}
