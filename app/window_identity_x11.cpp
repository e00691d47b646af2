// SPDX-License-Identifier: MIT
// window_identity_x11.cpp - the window's identity as X11 window properties.
//
// freeglut keeps its X display and window to itself, but right after glutCreateWindow the new
// window's context is current, and GLX tells which display and drawable that is (freeglut makes
// the window itself the drawable). Only window properties change; no OpenGL call is made.
#include "app/window_identity.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdint>

// window_icon_pixels.cpp, made by the build from the menu icon.
extern const std::uint32_t talvenorWindowIcon[];
extern const int talvenorWindowIconLength;

void setWindowIdentity() {
    Display* display = glXGetCurrentDisplay();
    Window window = glXGetCurrentDrawable();
    if (display == nullptr || window == 0) return;

    // Instance and class; the menu entry's StartupWMClass names the class.
    char instanceName[] = "talvenor";
    char className[] = "Talvenor";
    XClassHint classHint = {instanceName, className};
    XSetClassHint(display, window, &classHint);

    // Both atoms in one round trip to the server.
    char pidName[] = "_NET_WM_PID";
    char iconName[] = "_NET_WM_ICON";
    char* atomNames[] = {pidName, iconName};
    Atom atoms[2];
    if (!XInternAtoms(display, atomNames, 2, False, atoms)) return;

    const unsigned long pid = static_cast<unsigned long>(getpid());
    XChangeProperty(display, window, atoms[0], XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);

    // Format 32 means arrays of long to Xlib, whatever the width of long: the 32-bit pixels are
    // widened a slice at a time through a fixed buffer, the first slice replacing the property.
    unsigned long slice[1024];
    for (int start = 0; start < talvenorWindowIconLength; start += 1024) {
        int count = talvenorWindowIconLength - start;
        if (count > 1024) count = 1024;
        for (int i = 0; i < count; ++i) slice[i] = talvenorWindowIcon[start + i];
        XChangeProperty(display, window, atoms[1], XA_CARDINAL, 32, start == 0 ? PropModeReplace : PropModeAppend,
                        reinterpret_cast<const unsigned char*>(slice), count);
    }
    XFlush(display);
}
