// SPDX-License-Identifier: MIT
// leak_check_posix.cpp - pinning loaded libraries with the dynamic loader.
#include "app/leak_check.h"

#include <dlfcn.h>
#include <link.h>

namespace {

// A second, never released reference with RTLD_NODELETE: later dlclose calls leave it mapped.
int pinLibrary(struct dl_phdr_info* info, size_t, void*) {
    if (info->dlpi_name && info->dlpi_name[0]) dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

}  // namespace

void keepLibrariesLoaded() { dl_iterate_phdr(pinLibrary, nullptr); }

// LeakSanitizer asks for this list at exit in a sanitizer build; elsewhere nothing calls it. The
// X, GLX and Mesa libraries keep these allocations for the life of the process: they are the
// driver's, not ours. Blocks that the program itself leaks match none of them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libX11\n"
           "leak:libxcb\n"
           "leak:libGLX\n"
           "leak:libGLX_mesa\n"
           "leak:libGLdispatch\n"
           "leak:libgallium\n"
           "leak:swrast_dri\n"
           "leak:libLLVM\n"
           "leak:libglut\n"
           "leak:libdrm\n";
}

// ... and for its options: the count of suppressed driver blocks is no news at every exit.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
