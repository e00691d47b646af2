// SPDX-License-Identifier: MIT
// bird.cpp - the bird and its two little state machines.
#include "scene/bird.h"

#include <GL/glu.h>

#include "app/scene_state.h"
#include "scene/material.h"

namespace {

// A wing vertex: y is wingLift minus liftDrop, except at the fixed root.
struct WingVertex {
    float x;
    bool lifted;
    double y;  // the fixed y of a root, or the drop below wingLift of a lifted vertex
    float z;
};

// Triangles in drawing order: -x inner, -x tip, +x inner, +x tip (mirror images in x).
const WingVertex kWings[4][3] = {
    {{-0.2f, false, 0.2, 5}, {-3.0f, true, 0.8, -3}, {-3.0f, true, 0.3, 3}},
    {{-3.0f, true, 0.3, 3}, {-2.5f, true, 1.0, -5}, {-4.5f, true, 1.3, 2.5f}},
    {{0.2f, false, 0.2, 5}, {3.0f, true, 0.8, -3}, {3.0f, true, 0.3, 3}},
    {{3.0f, true, 0.3, 3}, {2.5f, true, 1.0, -5}, {4.5f, true, 1.3, 2.5f}},
};

// No normals: the wings are lit with the breast cap's last normal, along the bird's -z.
void drawWingTriangle(const WingVertex (&triangle)[3], double lift) {
    glBegin(GL_TRIANGLES);
    for (const WingVertex& v : triangle) {
        const float y = v.lifted ? float(lift - v.y) : float(v.y);
        glVertex3f(v.x, y, v.z);
    }
    glEnd();
}

// One step of a swinging value: up by step until it reaches top, then down until it reaches
// bottom. The double step is added to the float field and the sum rounded back; the bound tests
// read the rounded value, which is why a wing beat takes 72 calls and not 70.
void swing(float* value, float* goingBack, double step, float top, float bottom) {
    if (*goingBack == 0.0f) {
        *value = float(*value + step);
        if (*value >= top) *goingBack = 1.0f;
    } else {
        *value = float(*value - step);
        if (*value <= bottom) *goingBack = 0.0f;
    }
}

}  // namespace

void drawBird() {
    // Body with its tail and breast caps
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, colourRed);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, colourGrey);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, colourGrey);
    gluCylinder(scene.quadric, 1, 1, 5, 10, 10);
    gluDisk(scene.quadric, 0, 1, 10, 10);
    glPushMatrix();
        glTranslated(0, 0, 5);
        gluDisk(scene.quadric, 0, 1, 10, 10);
    glPopMatrix();

    // Wings
    const double lift = scene.wingLift;
    setMaterial(colourBlue);
    drawWingTriangle(kWings[0], lift);
    setMaterial(colourGreen);
    drawWingTriangle(kWings[1], lift);
    setMaterial(colourBlue);
    drawWingTriangle(kWings[2], lift);
    setMaterial(colourGreen);
    drawWingTriangle(kWings[3], lift);

    // Head, still in the green of the wing tips
    glPushMatrix();
        glTranslated(0, 0.2, 5);
        glRotated(scene.headTurn, 0, 1, 0);
        glRotated(45, 1, 0, 0);
        gluCylinder(scene.quadric, 0.3, 0.3, 1, 10, 10);  // neck
        glTranslated(0, 0.1, 1.5);
        gluSphere(scene.quadric, 1, 20, 20);
        setMaterial(colourRed);
        gluCylinder(scene.quadric, 0.7, 0, 2.5, 10, 10);  // beak
        setMaterial(colourBlue);
        glTranslated(0.6, 0.5, 0.5);
        gluSphere(scene.quadric, 0.2, 10, 10);  // eyes
        glTranslated(-1.2, 0, 0);
        gluSphere(scene.quadric, 0.2, 10, 10);
    glPopMatrix();

    swing(&scene.wingLift, &scene.wingsFalling, 0.1, 2.5f, -1.0f);
    swing(&scene.headTurn, &scene.headTurningBack, 0.3, 20.0f, -20.0f);
}
