// SPDX-License-Identifier: MIT
// render_setup.cpp - one-time set-up of the fixed-function state.
#include "app/render_setup.h"

#include <GL/glu.h>

#include "app/scene_state.h"
#include "texture/texture_set.h"
#include "view/frame.h"

void setUpRenderState() {
    applyProjection();
    glShadeModel(GL_SMOOTH);
    glBlendFunc(GL_ONE, GL_ONE);  // additive, for whatever switches GL_BLEND on later
    glClearColor(0, 0, 1, 1);
    glEnable(GL_DEPTH_TEST);

    scene.quadric = gluNewQuadric();
    gluQuadricDrawStyle(scene.quadric, GLU_FILL);
    gluQuadricNormals(scene.quadric, GLU_SMOOTH);
    gluQuadricOrientation(scene.quadric, GLU_INSIDE);
    gluQuadricTexture(scene.quadric, GL_TRUE);

    glEnable(GL_NORMALIZE);
    glEnable(GL_LIGHTING);
    glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 1.0);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, colourBlack);  // ambient light only from the two lights

    // The model-view matrix is still the identity: these positions and the spot direction hold
    // as eye coordinates until the scene pass and the sun give them anew after the camera.
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_AMBIENT, colourDimGrey);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, colourWhite);
    glLightfv(GL_LIGHT0, GL_SPECULAR, colourWhite);
    glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 65);
    glLightfv(GL_LIGHT0, GL_POSITION, scene.beaconPosition);
    glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 50);
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, scene.beaconDirection);

    glEnable(GL_LIGHT1);
    glLightfv(GL_LIGHT1, GL_AMBIENT, scene.sunAmbient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, scene.sunColour);
    glLightfv(GL_LIGHT1, GL_SPECULAR, scene.sunColour);
    glLightfv(GL_LIGHT1, GL_POSITION, scene.sunPosition);

    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, colourRed);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, colourRed);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, colourRed);

    loadTextureSet();
}
