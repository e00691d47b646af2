// SPDX-License-Identifier: MIT
// software_renderer_posix.cpp - the renderer choice through the process environment.
#include "tools/software_renderer.h"

#include <cstdlib>

void preferSoftwareRenderer() { setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0); }
