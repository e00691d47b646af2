# SPDX-License-Identifier: MIT
# window_icon_pixels.cmake - run with cmake -P: turns the icon's raw RGBA files
# FOLDER/<N>x<N>/talvenor.rgba (N in SIZES) into OUTPUT, a C++ file defining the window's
# _NET_WM_ICON property: for each size its width, its height, then one 0xAARRGGBB value per
# pixel, rows from the top, as 32-bit numbers (Xlib wants them widened to long, which
# window_identity_x11.cpp does when it sets the property).
set(body "")
set(count 0)
foreach(size IN LISTS SIZES)
    file(READ ${FOLDER}/${size}x${size}/talvenor.rgba hex HEX)
    string(LENGTH "${hex}" length)
    math(EXPR expected "${size} * ${size} * 8")
    if(NOT length EQUAL expected)
        message(FATAL_ERROR "${size}x${size}/talvenor.rgba holds ${length} hex digits, expected ${expected}")
    endif()
    set(h "[0-9a-f][0-9a-f]")
    string(REGEX REPLACE "(${h})(${h})(${h})(${h})" "0x\\4\\1\\2\\3," pixels "${hex}")
    set(p "0x[0-9a-f]+,")
    string(REGEX REPLACE "(${p}${p}${p}${p}${p}${p}${p}${p})" "\\1\n    " pixels "${pixels}")
    string(APPEND body "    // ${size} x ${size}\n    ${size}, ${size},\n    ${pixels}\n")
    math(EXPR count "${count} + 2 + ${size} * ${size}")
endforeach()
file(WRITE ${OUTPUT}.tmp
"// Made by cmake/window_icon_pixels.cmake from the build's icon files; do not edit.
#include <cstdint>
extern const std::uint32_t talvenorWindowIcon[];
extern const int talvenorWindowIconLength;
const std::uint32_t talvenorWindowIcon[] = {
${body}};
const int talvenorWindowIconLength = ${count};
")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
