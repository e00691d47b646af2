# install.cmake - installing Talvenor and packaging it with CPack.
#
#   bin/talvenor                                  the program
#   share/talvenor/0textur.dib .. 11textur.dib   the texture files painted by make_textures
#   share/applications/talvenor.desktop           menu entry; starts the program in share/talvenor
#   share/icons/hicolor/{scalable,128x128}/apps   the icon
#   share/man/man6/talvenor.6                     the manual page
#
# The program reads its textures from the working directory, so the menu entry's Path= names the
# installed texture folder. The prefix is only final at install time (cmake --install --prefix,
# or CPack's packaging prefix), so the entry and the manual page are filled in then.
include(GNUInstallDirs)

install(TARGETS talvenor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(NOT TALVENOR_TEXTURE_FILES)
    foreach(i RANGE 0 11)
        list(APPEND TALVENOR_TEXTURE_FILES ${CMAKE_BINARY_DIR}/${i}textur.dib)
    endforeach()
endif()
install(FILES ${TALVENOR_TEXTURE_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/talvenor)

install(FILES ${PROJECT_SOURCE_DIR}/data/talvenor.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/data/talvenor.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)

# Filled in at install time with the full paths under the prefix then in force. The results are
# installed by ordinary rules, so they appear in install_manifest.txt and honour DESTDIR.
set(TALVENOR_INSTALL_TIME_DIR ${CMAKE_BINARY_DIR}/install-time)
install(CODE "
    set(bindir \"${CMAKE_INSTALL_BINDIR}\")
    set(datadir \"${CMAKE_INSTALL_DATADIR}\")
    if(NOT IS_ABSOLUTE \"\${bindir}\")
        set(bindir \"\${CMAKE_INSTALL_PREFIX}/\${bindir}\")
    endif()
    if(NOT IS_ABSOLUTE \"\${datadir}\")
        set(datadir \"\${CMAKE_INSTALL_PREFIX}/\${datadir}\")
    endif()
    set(TALVENOR_EXECUTABLE \"\${bindir}/talvenor\")
    if(TALVENOR_EXECUTABLE MATCHES \" \")
        set(TALVENOR_EXECUTABLE \"\\\"\${TALVENOR_EXECUTABLE}\\\"\")
    endif()
    set(TALVENOR_DATA_PATH \"\${datadir}/talvenor\")
    set(TALVENOR_VERSION \"${PROJECT_VERSION}\")
    configure_file(\"${PROJECT_SOURCE_DIR}/data/talvenor.desktop.in\"
                   \"${TALVENOR_INSTALL_TIME_DIR}/talvenor.desktop\" @ONLY)
    # In the manual page a plain - would print as a hyphen: paths need the minus sign.
    string(REPLACE \"-\" \"\\\\-\" TALVENOR_DATA_PATH \"\${TALVENOR_DATA_PATH}\")
    configure_file(\"${PROJECT_SOURCE_DIR}/data/talvenor.6.in\"
                   \"${TALVENOR_INSTALL_TIME_DIR}/talvenor.6\" @ONLY)
")
install(FILES ${TALVENOR_INSTALL_TIME_DIR}/talvenor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TALVENOR_INSTALL_TIME_DIR}/talvenor.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# cpack -G DEB: a Debian package installing under /usr. CPack installs with DESTDIR, so the
# prefix the install-time step sees is the packaging prefix, not the staging folder.
set(CPACK_PACKAGE_NAME talvenor)
set(CPACK_PACKAGE_VENDOR "Talvenor developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "animated 3-D landscape with a mill tower and a sweeping beacon")
set(CPACK_PACKAGE_DESCRIPTION
    "Talvenor draws a small landscape in real time: a mill tower whose lantern holds a turning "
    "beacon lamp, sails turning on a hub, a round building, a square tower, a fir tree, a hot-air "
    "balloon and a bird, under a textured sky with a sun and a moon that follow the time of day. "
    "Five cameras, chosen with the function keys and steered with the arrow keys and the mouse, "
    "show the scene, and single keys change the sails' speed and switch lighting, texturing and the "
    "beacon.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
if(NOT CPACK_PACKAGE_CONTACT)
    set(CPACK_PACKAGE_CONTACT "Talvenor developers <talvenor@example.org>")
endif()
set(CPACK_GENERATOR DEB)
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# Dependencies come from the libraries the program is linked with (libglut, libGL, libGLU);
# without dpkg-shlibdeps fall back to the names Debian 12 uses.
find_program(TALVENOR_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TALVENOR_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libglut3.12 | freeglut3, libglu1-mesa, libgl1, libc6, libstdc++6")
endif()
include(CPack)
