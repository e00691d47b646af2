# SPDX-License-Identifier: MIT
# web.cmake - the libraries and the site of a browser build (emcmake cmake; see scripts/web).
#
# The program keeps linking OpenGL::GL, OpenGL::GLU and GLUT::GLUT:
#   OpenGL::GL    the project's fixed-function GL layer over WebGL 2 (talvenor_gl, in web/). It
#                 defines the GL entry points itself, so the linker takes them from the wasm and
#                 imports none of emscripten's JavaScript ones of the same names.
#   OpenGL::GLU   GLU from Debian's source package, built for the web by scripts/web into
#                 TALVENOR_WEB_GLU (lib/libGLU.a, include/GL/glu.h). Its glu.h comes before the
#                 one in emscripten's sysroot. Its quadric calls are linked to the cache in
#                 web/glu/quadric_cache.cpp first (--wrap), which calls GLU's own once for each
#                 distinct call.
#   GLUT::GLUT    the project's own GLUT for the browser (talvenor_glut, web/glut/): the calls the
#                 program makes, fed by the page's host script (web/shell/worker.js), in a worker or
#                 on the page's main thread; web/glut/GL/freeglut.h for the program's includes.
# talvenor_web_site() then builds the program from app/main_web.cpp as talvenor.js and
# talvenor.wasm into build-web/site/, with the twelve texture files of TALVENOR_WEB_TEXTURES
# preloaded as talvenor.data (shipped gzipped as talvenor.data.gz) and the page (web/shell/) beside them, and copies the page that runs
# the layer's unit test into build-web/layer-test/. Beside the page: its web app manifest, the icon
# at 192 and 512 pixels drawn from data/talvenor.svg, first-frame.webp (the picture the page shows
# until the program's first frame, from talvenor_snapshot's bitmap TALVENOR_WEB_FIRST_FRAME), and sw.js, the service worker that keeps the
# site for offline visits, written last with the digests of all the others.
set(TALVENOR_WEB_GLU "" CACHE PATH "Prefix of GLU built for the web (lib/libGLU.a, include/GL/glu.h)")
set(TALVENOR_WEB_GTEST "" CACHE PATH "Prefix of GoogleTest built for the web, for the GL layer's unit test")
set(TALVENOR_WEB_TEXTURES "" CACHE PATH "Folder holding the twelve texture files, painted by the native make_textures")
set(TALVENOR_WEB_FIRST_FRAME "" CACHE FILEPATH "The program's first frame as talvenor_snapshot draws it (a bitmap)")
set(TALVENOR_WEB_PYTHON "" CACHE FILEPATH "A Python 3 with PIL, which writes the first frame's picture")
foreach(var TALVENOR_WEB_GLU TALVENOR_WEB_TEXTURES TALVENOR_WEB_FIRST_FRAME TALVENOR_WEB_PYTHON)
    if(NOT ${var})
        message(FATAL_ERROR "${var} is not set; scripts/web sets it")
    endif()
endforeach()
if(NOT EXISTS ${TALVENOR_WEB_GLU}/lib/libGLU.a OR NOT EXISTS ${TALVENOR_WEB_GLU}/include/GL/glu.h)
    message(FATAL_ERROR "no GLU for the web in ${TALVENOR_WEB_GLU}")
endif()

# emscripten's toolchain looks for packages inside its sysroot only; the cached GoogleTest is
# named by its folder.
if(TALVENOR_WEB_GTEST)
    set(GTest_DIR ${TALVENOR_WEB_GTEST}/lib/cmake/GTest)
endif()

add_library(OpenGL::GL INTERFACE IMPORTED)
set_target_properties(OpenGL::GL PROPERTIES INTERFACE_LINK_LIBRARIES talvenor_gl)

# An ordinary include folder (-I), searched before the sysroot's own GL/glu.h.
add_library(OpenGL::GLU STATIC IMPORTED)
set(quadric_calls gluCylinder gluDisk gluPartialDisk gluSphere gluNewQuadric gluDeleteQuadric
                  gluQuadricDrawStyle gluQuadricNormals gluQuadricOrientation gluQuadricTexture)
list(TRANSFORM quadric_calls PREPEND "-Wl,--wrap=")
set_target_properties(OpenGL::GLU PROPERTIES
    IMPORTED_LOCATION ${TALVENOR_WEB_GLU}/lib/libGLU.a
    INTERFACE_INCLUDE_DIRECTORIES ${TALVENOR_WEB_GLU}/include
    INTERFACE_LINK_LIBRARIES "talvenor_glu_cache;OpenGL::GL"
    INTERFACE_LINK_OPTIONS "${quadric_calls}")
set_property(TARGET OpenGL::GLU PROPERTY IMPORTED_NO_SYSTEM ON)

# The program includes GL/freeglut.h, which web/glut/ maps onto the toolkit's GL/glut.h.
add_library(GLUT::GLUT INTERFACE IMPORTED)
set_target_properties(GLUT::GLUT PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}/web/glut
    INTERFACE_LINK_LIBRARIES talvenor_glut)

function(talvenor_web_site)
    set(site ${CMAKE_BINARY_DIR}/site)
    add_executable(talvenor app/main_web.cpp)
    target_link_libraries(talvenor PRIVATE talvenor_core)
    set_target_properties(talvenor PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${site})

    # The texture files sit in the program's working folder, as on the desktop. They are packed as
    # --preload-file would pack them, by emscripten's file packager, with the package's id taken
    # from the data rather than at random, so the same files make the same talvenor.js.
    set(preload "")
    set(textures "")
    foreach(i RANGE 0 11)
        set(file ${TALVENOR_WEB_TEXTURES}/${i}textur.dib)
        if(NOT EXISTS ${file})
            message(FATAL_ERROR "${file} is missing; the native make_textures paints it")
        endif()
        list(APPEND preload ${file}@/${i}textur.dib)
        list(APPEND textures ${file})
    endforeach()
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    set(data_script ${CMAKE_BINARY_DIR}/talvenor.data.js)
    # The texture files, 2.5 MB as bitmaps, travel as talvenor.data.gz (0.7 MB); the page unpacks
    # it with the browser's own DecompressionStream before the program asks for it.
    add_custom_command(OUTPUT ${data_script} ${site}/talvenor.data.gz ${CMAKE_BINARY_DIR}/talvenor.data
        COMMAND ${CMAKE_COMMAND} -E make_directory ${site}
        COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cmake/web_data_package.py
                ${EMSCRIPTEN_ROOT_PATH}/tools/file_packager.py ${data_script} site/talvenor.data
                --from-emcc --export-name=Module --preload ${preload} --no-node
        COMMAND gzip -9 -n -k -f site/talvenor.data
        # The unpacked bytes stay beside the site, for the service worker's list.
        COMMAND ${CMAKE_COMMAND} -E rename site/talvenor.data talvenor.data
        DEPENDS ${textures} ${PROJECT_SOURCE_DIR}/cmake/web_data_package.py
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
        COMMENT "Packing the texture data" VERBATIM)
    add_custom_target(web_data DEPENDS ${data_script} ${site}/talvenor.data.gz)
    add_dependencies(talvenor web_data)
    target_link_options(talvenor PRIVATE
        -O2
        # In a dedicated worker (web/shell/worker.js), or on the page where a worker cannot draw.
        -sENVIRONMENT=web,worker
        -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
        # The layer needs nothing beyond WebGL 2 itself; enabling every extension the browser
        # offers took half a second of the start with SwiftShader.
        -sGL_SUPPORT_AUTOMATIC_ENABLE_EXTENSIONS=0
        -sDYNAMIC_EXECUTION=0
        -sALLOW_MEMORY_GROWTH=1
        -sERROR_ON_UNDEFINED_SYMBOLS=1
        -sEXPORTED_FUNCTIONS=_main,_talvenorGlutKeyboard,_talvenorGlutSpecial,_talvenorGlutMouse,_talvenorGlutMotion,_talvenorGlutReshape,_talvenorTellState,_talvenorGraphicsLost,_talvenorGraphicsRestored
        -sFORCE_FILESYSTEM=1 "SHELL:--pre-js ${data_script}")
    set_property(TARGET talvenor APPEND PROPERTY LINK_DEPENDS ${data_script})

    # The page: its HTML, script, style and manifest beside the program.
    set(shell_files index.html page.js worker.js page.css manifest.webmanifest)
    set(copied "")
    foreach(name ${shell_files})
        add_custom_command(OUTPUT ${site}/${name}
            COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/web/shell/${name} ${site}/${name}
            DEPENDS ${CMAKE_SOURCE_DIR}/web/shell/${name} VERBATIM)
        list(APPEND copied ${site}/${name})
    endforeach()
    foreach(name layer_test.html layer_test.js)
        add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/layer-test/${name}
            COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/tests/web/${name}
                    ${CMAKE_BINARY_DIR}/layer-test/${name}
            DEPENDS ${CMAKE_SOURCE_DIR}/tests/web/${name} VERBATIM)
        list(APPEND copied ${CMAKE_BINARY_DIR}/layer-test/${name})
    endforeach()
    find_program(TALVENOR_RSVG_CONVERT rsvg-convert REQUIRED)
    foreach(size 192 512)
        add_custom_command(OUTPUT ${site}/icon-${size}.png
            COMMAND ${TALVENOR_RSVG_CONVERT} --width ${size} --height ${size}
                    --output ${site}/icon-${size}.png ${PROJECT_SOURCE_DIR}/data/talvenor.svg
            DEPENDS ${PROJECT_SOURCE_DIR}/data/talvenor.svg
            COMMENT "Drawing the ${size} pixel icon for the page" VERBATIM)
        list(APPEND copied ${site}/icon-${size}.png)
    endforeach()
    add_custom_command(OUTPUT ${site}/first-frame.webp
        COMMAND ${TALVENOR_WEB_PYTHON} ${PROJECT_SOURCE_DIR}/cmake/web_first_frame.py
                ${TALVENOR_WEB_FIRST_FRAME} ${site}/first-frame.webp
        DEPENDS ${TALVENOR_WEB_FIRST_FRAME} ${PROJECT_SOURCE_DIR}/cmake/web_first_frame.py
        COMMENT "The picture of the program's first frame" VERBATIM)
    list(APPEND copied ${site}/first-frame.webp)
    add_custom_target(web_pages ALL DEPENDS ${copied})

    # The service worker's list: every file of the site but itself.
    set(kept index.html page.js worker.js page.css manifest.webmanifest icon-192.png icon-512.png
             first-frame.webp talvenor.js talvenor.wasm talvenor.data.gz)
    set(kept_paths "")
    foreach(name ${kept})
        list(APPEND kept_paths ${site}/${name})
    endforeach()
    add_custom_command(OUTPUT ${site}/sw.js
        COMMAND ${CMAKE_COMMAND} -DSITE=${site} "-DFILES=${kept}" -DUNPACKED=${CMAKE_BINARY_DIR}/talvenor.data
                -DTEMPLATE=${PROJECT_SOURCE_DIR}/web/shell/sw.js.in -DOUTPUT=${site}/sw.js
                -P ${PROJECT_SOURCE_DIR}/cmake/web_service_worker.cmake
        DEPENDS talvenor web_pages ${kept_paths} ${CMAKE_BINARY_DIR}/talvenor.data ${PROJECT_SOURCE_DIR}/web/shell/sw.js.in
                ${PROJECT_SOURCE_DIR}/cmake/web_service_worker.cmake
        COMMENT "Writing the service worker's list of the site" VERBATIM)
    add_custom_target(web_offline ALL DEPENDS ${site}/sw.js)
endfunction()
