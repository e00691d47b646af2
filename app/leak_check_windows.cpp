// SPDX-License-Identifier: MIT
// leak_check_windows.cpp - nothing to pin: the Windows build has no leak checker to serve.
#include "app/leak_check.h"

void keepLibrariesLoaded() {}
