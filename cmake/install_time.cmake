# SPDX-License-Identifier: MIT
# install_time.cmake - the part of the installation that needs the final prefix: run by
# cmake --install (and CPack) after install.cmake has set the TALVENOR_* names below. Writes the
# launcher, the menu entry and the compressed manual page into TALVENOR_INSTALL_TIME_DIR, from
# where ordinary install rules copy them, and strips the installed program in a package build.
function(talvenor_full_path relative out_var)
    if(IS_ABSOLUTE "${relative}")
        set(${out_var} "${relative}" PARENT_SCOPE)
    else()
        set(${out_var} "${CMAKE_INSTALL_PREFIX}/${relative}" PARENT_SCOPE)
    endif()
endfunction()
talvenor_full_path("${TALVENOR_COMMANDDIR}" commanddir)
talvenor_full_path("${TALVENOR_PROGRAMDIR}" programdir)
talvenor_full_path("${TALVENOR_DATAFOLDER}" TALVENOR_DATA_PATH)
talvenor_full_path("${TALVENOR_DOCFOLDER}" TALVENOR_DOC_PATH)
set(program "${programdir}/talvenor")

# The launcher: both paths as single-quoted shell words.
string(REPLACE "'" "'\\''" quoted "${program}")
set(TALVENOR_PROGRAM_QUOTED "'${quoted}'")
string(REPLACE "'" "'\\''" quoted "${TALVENOR_DATA_PATH}")
set(TALVENOR_DATA_QUOTED "'${quoted}'")
configure_file("${TALVENOR_SOURCE_DIR}/data/talvenor-launcher.sh.in" "${TALVENOR_INSTALL_TIME_DIR}/talvenor" @ONLY)

# The menu entry starts the launcher, in the data folder.
set(TALVENOR_EXECUTABLE "${commanddir}/talvenor")
if(TALVENOR_EXECUTABLE MATCHES " ")
    set(TALVENOR_EXECUTABLE "\"${TALVENOR_EXECUTABLE}\"")
endif()
configure_file("${TALVENOR_SOURCE_DIR}/data/${TALVENOR_APP_ID}.desktop.in"
               "${TALVENOR_INSTALL_TIME_DIR}/${TALVENOR_APP_ID}.desktop" @ONLY)

# In the manual page a plain - would print as a hyphen: paths need the minus sign.
string(REPLACE "-" "\\-" TALVENOR_DATA_PATH "${TALVENOR_DATA_PATH}")
string(REPLACE "-" "\\-" TALVENOR_DOC_PATH "${TALVENOR_DOC_PATH}")
configure_file("${TALVENOR_SOURCE_DIR}/data/talvenor.6.in" "${TALVENOR_INSTALL_TIME_DIR}/talvenor.6" @ONLY)
execute_process(COMMAND "${TALVENOR_GZIP}" -9nf "${TALVENOR_INSTALL_TIME_DIR}/talvenor.6" COMMAND_ERROR_IS_FATAL ANY)

# As Debian strips: no symbols, no .comment or .note sections (the install rule above this
# script has copied the program already).
if(TALVENOR_STRIP_PROGRAM)
    execute_process(COMMAND "${TALVENOR_STRIP}" --remove-section=.comment --remove-section=.note --strip-unneeded
                            "$ENV{DESTDIR}${program}" COMMAND_ERROR_IS_FATAL ANY)
endif()
