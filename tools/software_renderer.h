// SPDX-License-Identifier: MIT
// software_renderer.h - asking for Mesa's software renderer, whose back buffer the snapshot tool
// reads after the swap.
//
//   preferSoftwareRenderer  sets LIBGL_ALWAYS_SOFTWARE=1 for this process unless it is set
//                           already; call it before the toolkit opens its display. Does nothing
//                           on Windows, where the GL driver is the system's (under Wine, Mesa
//                           reads the environment that Wine was started with).
#pragma once

void preferSoftwareRenderer();
