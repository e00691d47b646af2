# SPDX-License-Identifier: MIT
# mingw-w64-x86_64.cmake - cross-building for 64-bit Windows with Debian's mingw-w64 (posix threads).
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DTALVENOR_WINDOWS_DEPS=/path/to/prefix
#
# TALVENOR_WINDOWS_DEPS is the prefix holding the libraries built for Windows (freeglut,
# GoogleTest); scripts/windows builds it. Libraries, headers and packages are looked up only in
# the mingw-w64 sysroot and that prefix, never among the host's, so no Linux freeglut or GLU leaks
# in; programs (windres, wine) come from the host.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TALVENOR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TALVENOR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALVENOR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TALVENOR_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TALVENOR_MINGW_TRIPLET})
if(TALVENOR_WINDOWS_DEPS)
    list(APPEND CMAKE_FIND_ROOT_PATH ${TALVENOR_WINDOWS_DEPS})
    list(APPEND CMAKE_PREFIX_PATH ${TALVENOR_WINDOWS_DEPS})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TALVENOR_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program is linked fully static (libgcc, libstdc++, winpthread), so the .exe files need
# only the DLLs that come with Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
