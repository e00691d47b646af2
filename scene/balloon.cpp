// SPDX-License-Identifier: MIT
// balloon.cpp - the balloon. Its materials are set but do not show: it is drawn unlit.
//
// The basket frame (after the first turn and shift) has z pointing down: a basket-frame point
// (x, y, z) lies at world (45 + x, 70 - z, y - 10).
#include "scene/balloon.h"

#include <GL/glu.h>

#include "app/scene_state.h"
#include "scene/material.h"

namespace {

// A flat ribbon 0.5 wide and 6 long in the plane x = 0; no normal, no texture coordinate.
void drawRope() {
    glBegin(GL_TRIANGLE_STRIP);
        glVertex3d(0, 0, 0);
        glVertex3d(0, 0.5, 0);
        glVertex3d(0, 0, 6);
        glVertex3d(0, 0.5, 6);
    glEnd();
}

}  // namespace

void drawBalloon() {
    glColor3d(0.8, 0.8, 0.8);
    if (scene.texturingOn) glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glBindTexture(GL_TEXTURE_2D, scene.textures[kTexWood]);
    setMaterial(colourGold);

    glPushMatrix();
        glRotated(90, 1, 0, 0);
        glTranslated(-5, -10, -20);  // the basket frame
        gluCylinder(scene.quadric, 3.1, 3.1, 3, 4, 20);  // basket walls

        glPushMatrix();
            glTranslated(3, -0.1, -3);
            glRotated(45, 0, 0, 1);
            setMaterial(colourBlack);
            // Each shift is taken in the turned rope frame and carries on from the last rope.
            drawRope();
            glTranslated(-0.1, 3.8, 0);
            drawRope();
            glTranslated(-4, -3.8, 0);
            drawRope();
            glTranslated(0, 3.8, 0);
            drawRope();
        glPopMatrix();

        setMaterial(colourGold);
        glTranslated(0, 0, 3);
        gluDisk(scene.quadric, 0.01, 3.1, 4, 20);  // floor plate
        glTranslated(0, 0, -12);                    // envelope centre, 9 above the rim
        setMaterial(colourMagenta);
        glBindTexture(GL_TEXTURE_2D, scene.textures[kTexBalloon]);
        gluSphere(scene.quadric, 7, 20, 20);
        if (scene.lightingOn) glEnable(GL_LIGHTING);
    glPopMatrix();
}
