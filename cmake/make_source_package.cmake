# SPDX-License-Identifier: MIT
# make_source_package.cmake - run with cmake -P by the source_package target: git archive of the
# work tree's tracked files (git stash create records them without touching the tree; it prints
# nothing when nothing is changed, and then HEAD is the tree), compressed with xz.
execute_process(COMMAND ${GIT} -C ${SOURCE} stash create
                OUTPUT_VARIABLE tree OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
if(tree STREQUAL "")
    set(tree HEAD)
endif()
string(REGEX REPLACE "\\.xz$" "" tar "${OUTPUT}")
execute_process(COMMAND ${GIT} -C ${SOURCE} archive --format=tar --prefix=${NAME}/ --output=${tar} ${tree}
                COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE ${OUTPUT})
# One thread: xz splits its stream by the number of threads, which would make the bytes the machine's.
execute_process(COMMAND xz -9 -T1 --force ${tar} COMMAND_ERROR_IS_FATAL ANY)
file(SIZE ${OUTPUT} size)
message(STATUS "${OUTPUT}: ${size} bytes (from ${tree})")
