// SPDX-License-Identifier: MIT
// leak_check_none.cpp - nothing to pin where no leak checker runs (Windows, the browser).
#include "app/leak_check.h"

void keepLibrariesLoaded() {}
