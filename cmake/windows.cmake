# SPDX-License-Identifier: MIT
# windows.cmake - the libraries of a Windows build (mingw-w64, see mingw-w64-x86_64.cmake).
#
# OpenGL and GLU are Windows' own opengl32 and glu32. freeglut installs no GL/glut.h there, so
# CMake's FindGLUT cannot see it; its own CMake package can, and its static target carries what a
# static freeglut needs: FREEGLUT_STATIC and opengl32, winmm, gdi32. GLUT::GLUT names that target
# here, so the rest of the build links the same imported targets on both platforms.
find_package(OpenGL REQUIRED)
find_package(FreeGLUT 3.4 CONFIG REQUIRED)
if(NOT TARGET FreeGLUT::freeglut_static)
    message(FATAL_ERROR "FreeGLUT at ${FreeGLUT_DIR} has no static library")
endif()
add_library(GLUT::GLUT ALIAS FreeGLUT::freeglut_static)

# The linker writes no time stamp into the PE header, so the same sources link to the same bytes.
add_link_options(-Wl,--no-insert-timestamp)
