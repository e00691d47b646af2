# SPDX-License-Identifier: MIT
# windows-package.cmake - the Windows program's resource and the zip people download.
#
#   talvenor.exe               the program: a windowed program (no console), with its icon and
#                              version as a Windows resource
#   0textur.dib .. 11textur.dib  the texture files, beside the program: it reads them from the
#                              folder it starts in, and Explorer starts a program in its own folder
#   README.txt                 for Windows users: starting it, the keys, their own pictures
#   LICENSE.txt, NEWS.txt      the licence and what changed, from the repository's top
#
# cpack -G ZIP in the build folder makes talvenor-VERSION-win64.zip; everything sits in one folder
# of that name inside it. The text files get Windows line ends, so Notepad shows them right.
set_target_properties(talvenor PROPERTIES WIN32_EXECUTABLE ON)

# freeglut gives its windows the icon named GLUT_ICON, so the one resource serves Explorer, the
# title bar and the task bar.
configure_file(${PROJECT_SOURCE_DIR}/app/talvenor.rc.in ${CMAKE_BINARY_DIR}/talvenor.rc @ONLY)
target_sources(talvenor PRIVATE ${CMAKE_BINARY_DIR}/talvenor.rc)
set_property(SOURCE ${CMAKE_BINARY_DIR}/talvenor.rc APPEND PROPERTY OBJECT_DEPENDS
             ${PROJECT_SOURCE_DIR}/data/talvenor.ico)

# A text file with Windows line ends, named for Notepad.
function(talvenor_windows_text source destination)
    file(READ ${source} text)
    string(REGEX REPLACE "^# SPDX-License-Identifier: [^\n]*\n" "" text "${text}")
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${CMAKE_BINARY_DIR}/package-text/${destination} "${text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    install(FILES ${CMAKE_BINARY_DIR}/package-text/${destination} DESTINATION .)
endfunction()

configure_file(${PROJECT_SOURCE_DIR}/data/README-windows.txt.in ${CMAKE_BINARY_DIR}/README-windows.txt @ONLY)
talvenor_windows_text(${CMAKE_BINARY_DIR}/README-windows.txt README.txt)
talvenor_windows_text(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt)
talvenor_windows_text(${PROJECT_SOURCE_DIR}/NEWS NEWS.txt)

install(TARGETS talvenor RUNTIME DESTINATION .)
if(NOT TALVENOR_TEXTURE_FILES)
    foreach(i RANGE 0 11)
        list(APPEND TALVENOR_TEXTURE_FILES ${CMAKE_BINARY_DIR}/${i}textur.dib)
    endforeach()
endif()
install(FILES ${TALVENOR_TEXTURE_FILES} DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME talvenor)
set(CPACK_PACKAGE_VENDOR "Talvenor developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME talvenor-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
