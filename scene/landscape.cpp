// SPDX-License-Identifier: MIT
// landscape.cpp - ground, round building, square tower and tree.
#include "scene/landscape.h"

#include <GL/glu.h>

#include "app/scene_state.h"
#include "scene/material.h"

namespace {

// One crown tier of the tree: a shift up its axis, then a cone section.
struct TreeTier {
    double rise;
    double baseRadius, topRadius, height;
};

const TreeTier kCrown[3] = {
    {1, 2.0, 1.2, 2},
    {2, 1.7, 0.8, 2},
    {2, 1.2, 0.0, 2},
};

// One wall: 40 strips of 20 vertices over a 9 × 40 grid of unit quads in the plane z = 0.
// The counters are floats, as are the vertices; one texture spans 10 units both ways.
void drawTowerWall() {
    for (float r = 0; r < 40; r++) {
        glBegin(GL_QUAD_STRIP);
        for (float k = 0; k < 10; k++) {
            glTexCoord2f(k / 10, (r + 1) / 10);
            glVertex3f(k, r + 1, 0);
            glTexCoord2f(k / 10, r / 10);
            glVertex3f(k, r, 0);
        }
        glEnd();
    }
}

}  // namespace

// No texturing switch here: the sky has just switched it on when texturingOn is set.
void drawGround() {
    glColor4d(0.06, 0.9, 0.04, 1);
    setMaterial(colourGreen);
    glPushMatrix();
        glBindTexture(GL_TEXTURE_2D, scene.textures[kTexGround]);
        glRotated(90, 1, 0, 0);  // into the plane y = 0; the inward normal then points up
        gluDisk(scene.quadric, 2, 80, 50, 25);
    glPopMatrix();
}

void drawRoundBuilding() {
    setMaterial(colourRose);
    glPushMatrix();
        glColor4d(1, 1, 1, 1);
        glTranslated(0, 0, -40);
        glRotated(90, -1, 0, 0);
        glBindTexture(GL_TEXTURE_2D, scene.textures[kTexRoundBuilding]);
        gluCylinder(scene.quadric, 10, 10, 20, 20, 20);
        glTranslated(0, 0, 20);
        gluDisk(scene.quadric, 0.01, 10, 20, 20);  // the roof, in the wall's texture
    glPopMatrix();
}

void drawSquareTower() {
    if (scene.texturingOn) glEnable(GL_TEXTURE_2D);
    setMaterialTwoCalls(colourWhite);
    glBindTexture(GL_TEXTURE_2D, scene.textures[kTexSquareTower]);
    // Each quarter turn and shift carries the next wall to the next side; the four compose
    // to the identity, so nothing is pushed.
    for (int wall = 0; wall < 4; ++wall) {
        glRotated(90, 0, 1, 0);
        glTranslated(-9, 0, 0);
        drawTowerWall();
    }
    glDisable(GL_TEXTURE_2D);  // whatever texturingOn says; the sun is drawn untextured
}

void drawTree() {
    setMaterialTwoCalls(colourRose);
    glColor3d(0.5, 0.25, 0);
    glRotated(-90, 1, 0, 0);
    glTranslated(-7, -7, 0);  // foot of the tree at world (-7, 0, 7)
    gluCylinder(scene.quadric, 0.4, 0.4, 1.1, 10, 2);
    setMaterialTwoCalls(colourGreen);
    glColor3d(1, 0, 0);
    for (const TreeTier& tier : kCrown) {
        glTranslated(0, 0, tier.rise);
        gluCylinder(scene.quadric, tier.baseRadius, tier.topRadius, tier.height, 20, 5);
    }
    // Deliberately no pop: this is the pass's last drawing and the next frame loads the identity.
}
