# SPDX-License-Identifier: MIT
# source_package.cmake - the source release: cmake --build BUILD --target source_package makes
# BUILD/talvenor-<version>.tar.xz holding exactly the files git tracks, as they are in the work
# tree (uncommitted changes to them included, untracked files never), under talvenor-<version>/.
# Released from a clean checkout of the tag, it is the tagged tree.
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS ${PROJECT_SOURCE_DIR}/.git)
    set(TALVENOR_SOURCE_PACKAGE ${CMAKE_BINARY_DIR}/talvenor-${PROJECT_VERSION}.tar.xz)
    add_custom_target(source_package
        COMMAND ${CMAKE_COMMAND} -DGIT=${GIT_EXECUTABLE} -DSOURCE=${PROJECT_SOURCE_DIR}
                -DNAME=talvenor-${PROJECT_VERSION} -DOUTPUT=${TALVENOR_SOURCE_PACKAGE}
                -P ${CMAKE_CURRENT_LIST_DIR}/make_source_package.cmake
        COMMENT "Packing the tracked files into talvenor-${PROJECT_VERSION}.tar.xz"
        VERBATIM)
endif()
