/* SPDX-License-Identifier: MIT */
/* glut.h - the GLUT calls the program makes, as the browser's toolkit (web/glut/glut.cpp)
 * provides them: the same names, values and meaning as freeglut's, so the program's own code
 * builds unchanged. What is not listed here is not provided.
 *
 *   [Initialisation]  glutInit glutInitDisplayMode glutInitWindowSize glutInitWindowPosition
 *   [The window]      glutCreateWindow (takes the context the host made) glutReshapeWindow
 *                     glutPostRedisplay glutSwapBuffers
 *   [Callbacks]       glutDisplayFunc glutIdleFunc glutReshapeFunc glutKeyboardFunc
 *                     glutSpecialFunc glutMouseFunc glutMotionFunc glutTimerFunc
 *   [The loop]        glutMainLoop (one step per animation frame of the browser) */
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>

#define GLUT_RGB 0
#define GLUT_RGBA 0
#define GLUT_SINGLE 0
#define GLUT_DOUBLE 2
#define GLUT_DEPTH 16

#define GLUT_LEFT_BUTTON 0
#define GLUT_MIDDLE_BUTTON 1
#define GLUT_RIGHT_BUTTON 2
#define GLUT_DOWN 0
#define GLUT_UP 1

#define GLUT_KEY_F1 1
#define GLUT_KEY_F2 2
#define GLUT_KEY_F3 3
#define GLUT_KEY_F4 4
#define GLUT_KEY_F5 5
#define GLUT_KEY_F6 6
#define GLUT_KEY_F7 7
#define GLUT_KEY_F8 8
#define GLUT_KEY_F9 9
#define GLUT_KEY_F10 10
#define GLUT_KEY_F11 11
#define GLUT_KEY_F12 12
#define GLUT_KEY_LEFT 100
#define GLUT_KEY_UP 101
#define GLUT_KEY_RIGHT 102
#define GLUT_KEY_DOWN 103
#define GLUT_KEY_PAGE_UP 104
#define GLUT_KEY_PAGE_DOWN 105
#define GLUT_KEY_HOME 106
#define GLUT_KEY_END 107
#define GLUT_KEY_INSERT 108

#ifdef __cplusplus
extern "C" {
#endif

void glutInit(int* argc, char** argv);
void glutInitDisplayMode(unsigned int mode);
void glutInitWindowSize(int width, int height);
void glutInitWindowPosition(int x, int y);
int glutCreateWindow(const char* title);
void glutReshapeWindow(int width, int height);
void glutPostRedisplay(void);
void glutSwapBuffers(void);

void glutDisplayFunc(void (*callback)(void));
void glutIdleFunc(void (*callback)(void));
void glutReshapeFunc(void (*callback)(int width, int height));
void glutKeyboardFunc(void (*callback)(unsigned char key, int x, int y));
void glutSpecialFunc(void (*callback)(int key, int x, int y));
void glutMouseFunc(void (*callback)(int button, int state, int x, int y));
void glutMotionFunc(void (*callback)(int x, int y));
void glutTimerFunc(unsigned int milliseconds, void (*callback)(int value), int value);

void glutMainLoop(void);

#ifdef __cplusplus
}
#endif
