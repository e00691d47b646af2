# SPDX-License-Identifier: MIT
# web_service_worker.cmake - writes the site's sw.js from web/shell/sw.js.in: the list of the
# site's files with their SHA-256, and the cache's name made from that list (cmake -P).
#
#   -DSITE=folder -DFILES=name;name;... -DTEMPLATE=sw.js.in -DOUTPUT=sw.js
set(list "")
foreach(name IN LISTS FILES)
    file(SHA256 ${SITE}/${name} digest)
    string(APPEND list "\n    ['${name}', '${digest}'],")
endforeach()
set(TALVENOR_SITE_FILES "[${list}\n]")
string(SHA256 whole "${TALVENOR_SITE_FILES}")
string(SUBSTRING "${whole}" 0 16 TALVENOR_SITE_DIGEST)
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
