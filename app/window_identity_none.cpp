// SPDX-License-Identifier: MIT
// window_identity_none.cpp - platforms whose window takes its identity from elsewhere (the
// executable's own resources on Windows): nothing to set.
#include "app/window_identity.h"

void setWindowIdentity() {}
