// SPDX-License-Identifier: MIT
// sky.cpp - sun, moon and sky dome.
#include "scene/sky.h"

#include <GL/glu.h>

#include <cmath>

#include "app/scene_state.h"
#include "scene/material.h"

double skyTurnDegrees() {
    // While nothing has been taken off the clock this is 10.0 * dayTime itself. What was taken is
    // added reduced to a whole circle, so the angle stays small enough for the graphics library,
    // which turns it into a float.
    return 10.0 * scene.dayTime + std::fmod(10.0 * scene.dayTimeTaken, 360.0);
}

void drawSun() {
    scene.dayTime += 0.01f;
    scene.dayTimeTaken += wrapClock(&scene.dayTime, kRadianTurn);
    // Light 1 trails the visible sun by one step: it takes the position of the previous frame.
    glLightfv(GL_LIGHT1, GL_POSITION, scene.sunPosition);

    const double t = scene.dayTime;
    scene.sunPosition[0] = float(-90 * cos(t));
    scene.sunPosition[1] = float(-90 * sin(t));
    scene.sunPosition[2] = float(-30 * sin(t));
    scene.sunColour[0] = float(-sin(t) + 0.5);
    scene.sunColour[1] = float(-0.7 * sin(t));
    glLightfv(GL_LIGHT1, GL_DIFFUSE, scene.sunColour);
    glLightfv(GL_LIGHT1, GL_SPECULAR, scene.sunColour);

    glPushMatrix();
        glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, scene.sunColour);  // reset by the moon
        glTranslatef(scene.sunPosition[0], scene.sunPosition[1], scene.sunPosition[2]);
        glDisable(GL_LIGHT0);
        gluSphere(scene.quadric, 12, 20, 20);
        glEnable(GL_LIGHT0);
    glPopMatrix();
}

void drawMoon() {
    glPushMatrix();
        setMaterial(colourWhite);
        glColor3d(1, 1, 1);
        if (scene.texturingOn) glEnable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);  // equally bright by day and by night
        glTranslatef(-scene.sunPosition[0], -scene.sunPosition[1], -scene.sunPosition[2]);
        glBindTexture(GL_TEXTURE_2D, scene.textures[kTexMoon]);
        gluSphere(scene.quadric, 8, 20, 20);
        if (scene.lightingOn) glEnable(GL_LIGHTING);
    glPopMatrix();
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, colourBlack);  // ends the sun's glow
}

void drawSky() {
    if (scene.texturingOn) glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, scene.textures[kTexSky]);
    glDisable(GL_LIGHT0);
    glRotated(90, -1, 0, 0);               // the sphere's poles on the world's vertical
    glRotated(skyTurnDegrees(), 0, 0, 1);  // formed in double, not rounded to float
    gluSphere(scene.quadric, 100, 20, 20);
    // Light 0 comes back on whatever the day/night rule decided; by day and after "s" its
    // colours are black, so it lights nothing.
    glEnable(GL_LIGHT0);
    // Closes the caller's bracket, discarding both turns, and opens the one it will close.
    glPopMatrix();
    glPushMatrix();
}
