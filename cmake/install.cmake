# SPDX-License-Identifier: MIT
# install.cmake - installing Talvenor and packaging it with CPack.
#
#   bin/talvenor                                  the command: a launcher starting the program in
#                                                 the current folder if that holds any of the texture
#                                                 files, else in the installed data folder
#   libexec/talvenor/talvenor                     the program
#   share/talvenor/0textur.dib .. 11textur.dib   the texture files painted by make_textures
#   share/applications/org.talvenor.talvenor.desktop   menu entry; starts the program in share/talvenor
#   share/metainfo/org.talvenor.talvenor.metainfo.xml  the software-centre listing (AppStream)
#   share/icons/hicolor/{16x16..256x256,scalable}/apps the icon
#   share/man/man6/talvenor.6.gz                  the manual page
#   share/doc/talvenor/{copyright,changelog.gz}   the licence (Debian's copyright format) and NEWS
#
# The Debian package build (-DTALVENOR_DEBIAN_PACKAGE=ON, see debian_build.cmake) puts the command
# in games/ and the data in share/games/talvenor instead. The program reads its textures from the
# working directory, so the launcher and the menu entry name the installed data folder. The prefix
# is only final at install time (cmake --install --prefix, or CPack's packaging prefix), so the
# launcher, the entry and the manual page are filled in then (install_time.cmake).
include(GNUInstallDirs)

set(TALVENOR_APP_ID org.talvenor.talvenor)
# Folders the installation creates are 0755 whatever the umask (programs 0755 and data 0644 are
# the install rules' own defaults), so a package built under umask 002 is the same as any other.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
if(TALVENOR_DEBIAN_PACKAGE)
    set(TALVENOR_INSTALL_COMMANDDIR games)
    set(TALVENOR_INSTALL_DATAFOLDER ${CMAKE_INSTALL_DATADIR}/games/talvenor)
else()
    set(TALVENOR_INSTALL_COMMANDDIR ${CMAKE_INSTALL_BINDIR})
    set(TALVENOR_INSTALL_DATAFOLDER ${CMAKE_INSTALL_DATADIR}/talvenor)
endif()
set(TALVENOR_INSTALL_PROGRAMDIR ${CMAKE_INSTALL_LIBEXECDIR}/talvenor)
set(TALVENOR_INSTALL_DOCFOLDER ${CMAKE_INSTALL_DATADIR}/doc/talvenor)
if(NOT CPACK_PACKAGE_CONTACT)
    set(CPACK_PACKAGE_CONTACT "Talvenor developers <talvenor@example.org>")
endif()

install(TARGETS talvenor RUNTIME DESTINATION ${TALVENOR_INSTALL_PROGRAMDIR})

if(NOT TALVENOR_TEXTURE_FILES)
    foreach(i RANGE 0 11)
        list(APPEND TALVENOR_TEXTURE_FILES ${CMAKE_BINARY_DIR}/${i}textur.dib)
    endforeach()
endif()
install(FILES ${TALVENOR_TEXTURE_FILES} DESTINATION ${TALVENOR_INSTALL_DATAFOLDER})

install(FILES ${PROJECT_SOURCE_DIR}/data/talvenor.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN LISTS TALVENOR_ICON_SIZES)
    install(FILES ${CMAKE_BINARY_DIR}/icons/${size}x${size}/talvenor.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Made now: the software-centre listing, and the licence and NEWS in Debian's formats.
set(TALVENOR_CONFIGURED_DIR ${CMAKE_BINARY_DIR}/configured)
set(TALVENOR_VERSION ${PROJECT_VERSION})
talvenor_metainfo_releases(TALVENOR_METAINFO_RELEASES)
configure_file(${PROJECT_SOURCE_DIR}/data/${TALVENOR_APP_ID}.metainfo.xml.in
               ${TALVENOR_CONFIGURED_DIR}/${TALVENOR_APP_ID}.metainfo.xml @ONLY)
install(FILES ${TALVENOR_CONFIGURED_DIR}/${TALVENOR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# lintian of AppStream 1.0 and later validates the listing and fails it for want of a homepage
# address, which the project has not got yet: the Debian package says so in a lintian override.
# Earlier lintian (Debian 12's) does not validate, and would name the override unused.
if(TALVENOR_DEBIAN_PACKAGE)
    find_program(TALVENOR_APPSTREAMCLI appstreamcli)
    set(talvenor_appstream_version 0)
    if(TALVENOR_APPSTREAMCLI)
        execute_process(COMMAND ${TALVENOR_APPSTREAMCLI} --version OUTPUT_VARIABLE talvenor_appstream_version ERROR_QUIET)
        string(REGEX MATCH "[0-9]+\\.[0-9.]+" talvenor_appstream_version "${talvenor_appstream_version}")
    endif()
    if(talvenor_appstream_version VERSION_GREATER_EQUAL 1.0)
        install(FILES ${PROJECT_SOURCE_DIR}/data/talvenor.lintian-overrides
                DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME talvenor)
    endif()
endif()

# DEP-5 copyright: the licence text of LICENSE after its copyright line, indented, blank lines as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE talvenor_license)
string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n\n" "" talvenor_license "${talvenor_license}")
string(REGEX REPLACE "\n+$" "" talvenor_license "${talvenor_license}")
string(REPLACE "\n\n" "\n.\n" talvenor_license "${talvenor_license}")
string(REPLACE "\n" "\n " talvenor_license "${talvenor_license}")
file(WRITE ${TALVENOR_CONFIGURED_DIR}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Talvenor
Upstream-Contact: ${CPACK_PACKAGE_CONTACT}

Files: *
Copyright: 2026 The Talvenor authors
License: Expat
Comment: The MIT licence (SPDX identifier MIT), as in the file LICENSE.

License: Expat
 ${talvenor_license}
")
find_program(TALVENOR_GZIP gzip REQUIRED)
talvenor_debian_changelog(${TALVENOR_CONFIGURED_DIR}/changelog "${CPACK_PACKAGE_CONTACT}")
execute_process(COMMAND ${TALVENOR_GZIP} -9nf ${TALVENOR_CONFIGURED_DIR}/changelog COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${TALVENOR_CONFIGURED_DIR}/copyright ${TALVENOR_CONFIGURED_DIR}/changelog.gz
        DESTINATION ${TALVENOR_INSTALL_DOCFOLDER})

# Filled in at install time with the full paths under the prefix then in force. The results are
# installed by ordinary rules, so they appear in install_manifest.txt and honour DESTDIR.
set(TALVENOR_INSTALL_TIME_DIR ${CMAKE_BINARY_DIR}/install-time)
install(CODE "
    set(TALVENOR_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
    set(TALVENOR_INSTALL_TIME_DIR \"${TALVENOR_INSTALL_TIME_DIR}\")
    set(TALVENOR_APP_ID \"${TALVENOR_APP_ID}\")
    set(TALVENOR_VERSION \"${PROJECT_VERSION}\")
    set(TALVENOR_RELEASE_DATE \"${TALVENOR_RELEASE_DATE}\")
    set(TALVENOR_COMMANDDIR \"${TALVENOR_INSTALL_COMMANDDIR}\")
    set(TALVENOR_PROGRAMDIR \"${TALVENOR_INSTALL_PROGRAMDIR}\")
    set(TALVENOR_DATAFOLDER \"${TALVENOR_INSTALL_DATAFOLDER}\")
    set(TALVENOR_DOCFOLDER \"${TALVENOR_INSTALL_DOCFOLDER}\")
    set(TALVENOR_GZIP \"${TALVENOR_GZIP}\")
    set(TALVENOR_STRIP_PROGRAM \"${TALVENOR_DEBIAN_PACKAGE}\")
    set(TALVENOR_STRIP \"${CMAKE_STRIP}\")
")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/install_time.cmake)
install(PROGRAMS ${TALVENOR_INSTALL_TIME_DIR}/talvenor DESTINATION ${TALVENOR_INSTALL_COMMANDDIR})
install(FILES ${TALVENOR_INSTALL_TIME_DIR}/${TALVENOR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TALVENOR_INSTALL_TIME_DIR}/talvenor.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# cpack -G DEB: a Debian package installing under /usr; build it from a folder configured with
# -DTALVENOR_DEBIAN_PACKAGE=ON (scripts/package does). CPack installs with DESTDIR, so the prefix
# the install-time step sees is the packaging prefix, not the staging folder.
set(CPACK_PACKAGE_NAME talvenor)
set(CPACK_PACKAGE_VENDOR "The Talvenor authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "animated 3-D landscape with a mill tower and a sweeping beacon")
# Debian shows the extended description as it stands: lines under 80 columns.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Talvenor draws a small landscape in real time: a mill tower whose lantern"
    "holds a turning beacon lamp, sails turning on a hub, a round building, a"
    "square tower, a fir tree, a hot-air balloon and a bird, under a textured sky"
    "with a sun and a moon that follow the time of day."
    ""
    "Five cameras, chosen with the function keys and steered with the arrow keys"
    "and the mouse, show the scene, and single keys change the sails' speed and"
    "switch lighting, texturing and the beacon.")
set(CPACK_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_GENERATOR DEB)
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# Dependencies come from the libraries the program is linked with (libglut, libGL, libGLU, libX11);
# without dpkg-shlibdeps fall back to the names Debian 12 uses.
find_program(TALVENOR_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TALVENOR_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libglut3.12 | freeglut3, libglu1-mesa, libgl1, libx11-6, libc6, libstdc++6")
endif()

# Read by cpack: a package from an ordinary build folder installs the plain layout under /usr,
# unhardened, which lintian refuses for section games.
if(NOT TALVENOR_DEBIAN_PACKAGE)
    set(CPACK_PROJECT_CONFIG_FILE ${TALVENOR_CONFIGURED_DIR}/cpack_project_config.cmake)
    file(WRITE ${CPACK_PROJECT_CONFIG_FILE}
        "if(CPACK_GENERATOR STREQUAL \"DEB\")\n"
        "    message(WARNING \"This build folder was not configured with -DTALVENOR_DEBIAN_PACKAGE=ON: \"\n"
        "                    \"the package has neither the games layout nor the hardening flags. \"\n"
        "                    \"scripts/package makes the release package.\")\n"
        "endif()\n")
endif()

# The source release is source_package.cmake's (exactly the tracked files); should CPack's own
# source package be made all the same, it leaves out what git ignores and git's own folder.
set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME talvenor-${PROJECT_VERSION})
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/\\\\.git$" "/build[^/]*/" "\\\\.dib$" "\\\\.deb$" "\\\\.tar\\\\.")
include(CPack)
include(${CMAKE_CURRENT_LIST_DIR}/source_package.cmake)
