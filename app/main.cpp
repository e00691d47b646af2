// SPDX-License-Identifier: MIT
// main.cpp - the entry: window, event wiring, one-time set-up, then the toolkit's loop for good.
//
// The command line goes to the toolkit unchanged (it understands e.g. -display); the program
// has no options of its own. The process ends through Escape (see onKey).
#include <GL/freeglut.h>

#include "app/leak_check.h"
#include "app/render_setup.h"
#include "app/window_events.h"

int main(int argc, char** argv) {
    openWindow(&argc, argv);
    wireEvents();
    setUpRenderState();  // needs the window's graphics context
    keepLibrariesLoaded();  // so that the sanitizer build's leak report at exit can name the driver
    glutMainLoop();
    return 0;
}
