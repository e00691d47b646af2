# SPDX-License-Identifier: MIT
# debian_build.cmake - the build behind the Debian package (-DTALVENOR_DEBIAN_PACKAGE=ON).
#
# Such a build installs in the games layout (the command in games/, the data in
# share/games/talvenor), compiles and links with the hardening flags dpkg-buildflags gives
# (fortify, stack protector, relro, bindnow) and strips the installed program as Debian's
# own packages are stripped. scripts/package makes one and packs it.
option(TALVENOR_DEBIAN_PACKAGE "Build for the Debian package: games layout, hardening flags, stripped program" OFF)

if(TALVENOR_DEBIAN_PACKAGE)
    find_program(TALVENOR_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
    # hardening=+all adds bindnow to Debian's defaults; a caller's own choice is kept.
    if(DEFINED ENV{DEB_BUILD_MAINT_OPTIONS})
        set(talvenor_maint_options "$ENV{DEB_BUILD_MAINT_OPTIONS}")
    else()
        set(talvenor_maint_options "hardening=+all")
    endif()
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(
            COMMAND ${CMAKE_COMMAND} -E env "DEB_BUILD_MAINT_OPTIONS=${talvenor_maint_options}"
                    ${TALVENOR_DPKG_BUILDFLAGS} --get ${kind}
            OUTPUT_VARIABLE talvenor_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
    string(APPEND CMAKE_CXX_FLAGS " ${talvenor_CPPFLAGS} ${talvenor_CXXFLAGS}")
    string(APPEND CMAKE_EXE_LINKER_FLAGS " ${talvenor_LDFLAGS}")
    message(STATUS "Debian package build: ${talvenor_CPPFLAGS} ${talvenor_CXXFLAGS} | ${talvenor_LDFLAGS}")
endif()
