/* SPDX-License-Identifier: MIT */
/* freeglut.h - the program includes freeglut's header; in the browser the project's own toolkit
 * (web/glut/) provides the standard GLUT calls the program makes, declared in its GL/glut.h.
 * None of freeglut's own extensions is used. */
#pragma once

#include <GL/glut.h>
