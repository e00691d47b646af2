// SPDX-License-Identifier: MIT
// window_identity.h - how the desktop recognises the program's window.
//
//   setWindowIdentity  called once, right after the window is created (its context current):
//                      names the window to the desktop so docks and task bars can match it to
//                      the menu entry and show its icon. On X11 it sets WM_CLASS
//                      ("talvenor", "Talvenor"), _NET_WM_PID and _NET_WM_ICON (the menu icon at
//                      16 to 128 pixels); elsewhere it does nothing. It touches no OpenGL state.
#pragma once

void setWindowIdentity();
