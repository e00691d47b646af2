// SPDX-License-Identifier: MIT
// leak_check.h - keeping the graphics driver loaded for the leak checker.
//
//   keepLibrariesLoaded  pins every shared library loaded so far (call it once the window, and so
//                        the GL driver, exists) so that nothing is unloaded when the process ends.
//                        LeakSanitizer runs after the toolkit and the driver have shut down; a
//                        driver unloaded by then leaves its long-lived blocks with no library name,
//                        and the suppressions for the driver's own allocations cannot match them.
//                        Blocks the program itself leaks are still reported. Does nothing where
//                        there is no such loader (Windows, the browser).
// The suppressions are built in (__lsan_default_suppressions beside it), so a sanitizer build of
// the program, its tools and its tests needs no LSAN_OPTIONS to end a clean run with status 0.
#pragma once

void keepLibrariesLoaded();
