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
