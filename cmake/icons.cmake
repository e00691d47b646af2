# SPDX-License-Identifier: MIT
# icons.cmake - the icon at the sizes desktops ask for, drawn from data/talvenor.svg.
#
#   icons/<N>x<N>/talvenor.png   N = 16 32 48 64 128 256, installed under hicolor (rsvg-convert)
#   window_icon_pixels.cpp       the 16 to 128 pixel ones as _NET_WM_ICON data for the window
#                                (pixels read back with ImageMagick; not on Windows)
#
# Sets TALVENOR_ICON_SIZES and TALVENOR_WINDOW_ICON_SOURCE (empty where no window icon is made).
set(TALVENOR_ICON_SIZES 16 32 48 64 128 256)
set(talvenor_window_icon_sizes 16 32 48 64 128)
set(talvenor_svg ${PROJECT_SOURCE_DIR}/data/talvenor.svg)
find_program(TALVENOR_RSVG_CONVERT rsvg-convert REQUIRED)

set(talvenor_icon_pngs "")
foreach(size IN LISTS TALVENOR_ICON_SIZES)
    set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/talvenor.png)
    add_custom_command(
        OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
        COMMAND ${TALVENOR_RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${talvenor_svg}
        DEPENDS ${talvenor_svg}
        COMMENT "Drawing the ${size} pixel icon"
        VERBATIM)
    list(APPEND talvenor_icon_pngs ${png})
endforeach()
add_custom_target(icons ALL DEPENDS ${talvenor_icon_pngs})

set(TALVENOR_WINDOW_ICON_SOURCE "")
if(NOT WIN32)
    # Debian's binary is convert-im6.q16 (convert is an alternative pointing at it).
    find_program(TALVENOR_IMAGEMAGICK NAMES convert-im6.q16 convert REQUIRED)
    set(raw_files "")
    foreach(size IN LISTS talvenor_window_icon_sizes)
        set(raw ${CMAKE_BINARY_DIR}/icons/${size}x${size}/talvenor.rgba)
        add_custom_command(
            OUTPUT ${raw}
            COMMAND ${TALVENOR_IMAGEMAGICK} ${CMAKE_BINARY_DIR}/icons/${size}x${size}/talvenor.png -depth 8 rgba:${raw}
            DEPENDS ${CMAKE_BINARY_DIR}/icons/${size}x${size}/talvenor.png
            VERBATIM)
        list(APPEND raw_files ${raw})
    endforeach()
    set(TALVENOR_WINDOW_ICON_SOURCE ${CMAKE_BINARY_DIR}/window_icon_pixels.cpp)
    add_custom_command(
        OUTPUT ${TALVENOR_WINDOW_ICON_SOURCE}
        COMMAND ${CMAKE_COMMAND} "-DSIZES=${talvenor_window_icon_sizes}" -DFOLDER=${CMAKE_BINARY_DIR}/icons
                -DOUTPUT=${TALVENOR_WINDOW_ICON_SOURCE} -P ${PROJECT_SOURCE_DIR}/cmake/window_icon_pixels.cmake
        DEPENDS ${raw_files} ${PROJECT_SOURCE_DIR}/cmake/window_icon_pixels.cmake
        COMMENT "Embedding the window icon"
        VERBATIM)
endif()
