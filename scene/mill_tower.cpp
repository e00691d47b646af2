// SPDX-License-Identifier: MIT
// mill_tower.cpp - the mill tower.
//
// From the first rotation on, the tower frame has z pointing up (world +y), x along world x and
// y along world -z; heights in the comments are world heights.
#include "scene/mill_tower.h"

#include <GL/glu.h>

#include <cstdlib>

#include "app/scene_state.h"
#include "scene/material.h"
#include "scene/sails.h"

namespace {

// The lamp cone glows unlit and turns with the beam; the reflector around it is lit.
void drawLamp() {
    glPushMatrix();
        glTranslated(0, 0, 1.2);   // height 13.2
        glRotated(90, 1, 0, 0);    // back to the world's axes
        glDisable(GL_LIGHTING);
        if (scene.beaconLit) {
            scene.lampAngle -= 2.2919717f;
            wrapClock(&scene.lampAngle, kDegreeTurn);
            glColor3fv(colourWhite);
        } else {
            glColor3f(0, 0, 0);
        }
        glRotated(scene.lampAngle, 0, 1, 0);
        glBindTexture(GL_TEXTURE_2D, 0);  // plain colour whether texturing is on or not
        gluCylinder(scene.quadric, 0, 1, 1, 10, 2);
        if (scene.lightingOn) glEnable(GL_LIGHTING);
        setMaterialTwoCalls(colourDimGrey);
        glTranslated(0, 0, -1);
        glBindTexture(GL_TEXTURE_2D, scene.textures[kTexReflector]);
        gluCylinder(scene.quadric, 0, 1.05, 2.05, 10, 2);
    glPopMatrix();
}

void drawPennant() {
    if (scene.vaneFlutter) {
        const int r = rand() % 9;  // never seeded: the same walk in every run
        scene.vaneAngle += r - 4;
    }
    glRotated(scene.vaneAngle, 0, 0, 1);
    glDisable(GL_LIGHTING);
    glTranslated(0, -0.7, 1);  // top of the pole, 0.7 out to the side

    glBegin(GL_TRIANGLE_STRIP);  // head
        glVertex3d(0, 0, 0);
        glVertex3d(0, -0.4, -0.4);
        glVertex3d(0, 0, -0.8);
    glEnd();
    glBegin(GL_TRIANGLE_STRIP);  // bar across the pole
        glVertex3d(0, 0, -0.2);
        glVertex3d(0, 2, -0.2);
        glVertex3d(0, 0, -0.6);
        glVertex3d(0, 2, -0.6);
    glEnd();

    if (scene.lightingOn) glEnable(GL_LIGHTING);
    if (scene.texturingOn) glEnable(GL_TEXTURE_2D);
}

}  // namespace

void drawMillTower() {
    // Shaft and collar
    glColor4d(1, 0, 0, 1);
    setMaterial(colourGrey);
    glRotated(-90, 1, 0, 0);
    glBindTexture(GL_TEXTURE_2D, scene.textures[kTexTowerShaft]);
    gluCylinder(scene.quadric, 5, 3, 10, 50, 50);
    glColor3d(0.8, 0.8, 0.8);
    glTranslated(0, 0, 10);
    setMaterialTwoCalls(colourGrey);
    glBindTexture(GL_TEXTURE_2D, scene.textures[kTexWood]);
    gluCylinder(scene.quadric, 3, 3, 1, 70, 70);

    glPushMatrix();  // collar base: the sails' hub starts from here
        // Gallery and lantern
        glTranslated(0, 0, 1);  // height 11
        glColor3d(0, 0, 0);
        setMaterialTwoCalls(colourDimGrey);  // in force up to the roof
        gluCylinder(scene.quadric, 3, 4, 1, 30, 2);
        glTranslated(0, 0, 1);  // height 12

        // Additive glass that writes no depth: it brightens what lies behind it and hides
        // nothing drawn after it, the lamp inside included.
        glEnable(GL_BLEND);
        glDepthMask(GL_FALSE);
        glColor3d(0.6, 0.6, 0.6);
        glBindTexture(GL_TEXTURE_2D, scene.textures[kTexLanternGlass]);
        gluCylinder(scene.quadric, 4, 4, 3, 30, 2);
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);

        drawLamp();

        // Roof, pole and pennant
        glColor3d(0, 0, 0);
        glTranslated(0, 0, 3);  // height 15
        glBindTexture(GL_TEXTURE_2D, scene.textures[kTexWood]);
        gluCylinder(scene.quadric, 4, 0, 3, 30, 5);  // still colourDimGrey from the reflector
        setMaterialTwoCalls(colourBlack);
        glColor3d(0.83, 0.78, 0.11);
        glTranslated(0, 0, 2.9);  // height 17.9
        glDisable(GL_TEXTURE_2D);
        gluCylinder(scene.quadric, 0.1, 0.1, 1, 10, 2);
        drawPennant();
    glPopMatrix();

    drawSails();
}
