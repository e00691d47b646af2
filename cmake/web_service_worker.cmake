# SPDX-License-Identifier: MIT
# web_service_worker.cmake - writes the site's sw.js from web/shell/sw.js.in: the list of the
# site's files with their SHA-256, and the build's name made from that list and the template, so
# that a build that changes only the worker is a build of its own (cmake -P).
#
#   -DSITE=folder -DFILES=name;name;... -DTEMPLATE=sw.js.in -DOUTPUT=sw.js
#   -DUNPACKED=talvenor.data   the bytes talvenor.data.gz unpacks to: a host that adds
#                              Content-Encoding hands the worker those
set(list "")
foreach(name IN LISTS FILES)
    file(SHA256 ${SITE}/${name} digest)
    if(name STREQUAL "talvenor.data.gz")
        file(SHA256 ${UNPACKED} unpacked)
        string(APPEND list "\n    ['${name}', '${digest}', '${unpacked}'],")
    else()
        string(APPEND list "\n    ['${name}', '${digest}'],")
    endif()
endforeach()
set(TALVENOR_SITE_FILES "[${list}\n]")
file(READ ${TEMPLATE} template)
string(SHA256 whole "${TALVENOR_SITE_FILES}${template}")
string(SUBSTRING "${whole}" 0 16 TALVENOR_SITE_DIGEST)
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
