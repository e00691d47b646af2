// main.cpp - the entry: window, event wiring, one-time set-up, then the toolkit's loop for good.
//
// The command line goes to the toolkit unchanged (it understands e.g. -geometry); the program
// has no options of its own. The process ends through Escape (see onKey).
#include <GL/freeglut.h>

#include "app/render_setup.h"
#include "app/scene_state.h"
#include "app/window_events.h"
#include "view/frame.h"
#include "view/keyboard.h"
#include "view/pointer.h"

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(scene.windowWidth, scene.windowHeight);
    glutInitWindowPosition(100, 100);
    glutCreateWindow("Talvenor");

    glutDisplayFunc(displayFrame);
    glutKeyboardFunc(onKey);
    glutSpecialFunc(onSpecialKey);
    glutMouseFunc(onMouseButton);
    glutMotionFunc(onMouseDrag);
    glutReshapeFunc(onReshape);
    glutTimerFunc(scene.timerIntervalMs, onTimer, 1);
    glutIdleFunc(displayFrame);  // frames back to back, as fast as the loop runs

    setUpRenderState();
    glutMainLoop();
    return 0;
}
