// SPDX-License-Identifier: MIT
// material.h - the two ways the scene gives a piece one material, always on both faces.
//
//   setMaterial            GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, in this order, all to one colour
//   setMaterialTwoCalls    GL_AMBIENT_AND_DIFFUSE, then GL_SPECULAR, both to one colour
//   setBeaconColours       light 0's GL_AMBIENT, then GL_DIFFUSE and GL_SPECULAR to a second colour
// Emission is never set here (only the sun glows) and colour tracking is never enabled, so the
// current colour shows only where lighting is off.
#pragma once

#include <GL/gl.h>

#include "app/scene_state.h"

inline void setMaterial(const ColourRGBA colour) {
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, colour);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, colour);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, colour);
}

inline void setMaterialTwoCalls(const ColourRGBA colour) {
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, colour);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, colour);
}

inline void setBeaconColours(const ColourRGBA ambient, const ColourRGBA diffuseAndSpecular) {
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuseAndSpecular);
    glLightfv(GL_LIGHT0, GL_SPECULAR, diffuseAndSpecular);
}
