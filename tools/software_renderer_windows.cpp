// SPDX-License-Identifier: MIT
// software_renderer_windows.cpp - nothing to ask for: opengl32 picks the driver.
#include "tools/software_renderer.h"

void preferSoftwareRenderer() {}
