# SPDX-License-Identifier: MIT
# release.cmake - the release history, read from NEWS.
#
# The version lives in project(VERSION); the date of a release lives in its NEWS entry, whose
# heading reads "Talvenor 1.0.0 (2026-12-09)". The top entry must name PROJECT_VERSION, so a
# version bump without its NEWS entry stops at configure time. Sets:
#
#   TALVENOR_RELEASE_DATE    the top entry's date, YYYY-MM-DD (man page footer, package changelog)
#   TALVENOR_RELEASES        the versions, newest first; for each version V
#   TALVENOR_RELEASE_<V>_DATE   and  TALVENOR_RELEASE_<V>_TEXT   (the entry's lines, "  * ..." form)
#
# talvenor_debian_changelog(OUT MAINTAINER) writes the entries as a Debian changelog, and
# talvenor_metainfo_releases(OUT_VAR) makes the <release> elements of the AppStream file.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/NEWS)
file(READ ${PROJECT_SOURCE_DIR}/NEWS talvenor_news)
string(REPLACE ";" "<semicolon>" talvenor_news "${talvenor_news}")   # kept out of the line list
string(REPLACE "\n" ";" talvenor_news_lines "${talvenor_news}")

set(TALVENOR_RELEASES "")
set(talvenor_version "")
foreach(line IN LISTS talvenor_news_lines)
    if(line MATCHES "^Talvenor ([0-9]+\\.[0-9]+\\.[0-9]+) \\(([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9])\\)$")
        set(talvenor_version ${CMAKE_MATCH_1})
        list(APPEND TALVENOR_RELEASES ${talvenor_version})
        set(TALVENOR_RELEASE_${talvenor_version}_DATE ${CMAKE_MATCH_2})
        set(TALVENOR_RELEASE_${talvenor_version}_TEXT "")
    elseif(talvenor_version AND line MATCHES "^  ")
        string(REPLACE "<semicolon>" ";" line "${line}")
        string(APPEND TALVENOR_RELEASE_${talvenor_version}_TEXT "${line}\n")
    elseif(NOT line STREQUAL "")
        message(FATAL_ERROR "NEWS: a line that is neither an entry heading nor indented text:\n${line}")
    endif()
endforeach()
list(GET TALVENOR_RELEASES 0 talvenor_top_version)
if(NOT talvenor_top_version STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "NEWS starts with Talvenor ${talvenor_top_version}, but project() says "
                        "${PROJECT_VERSION}: add the entry for ${PROJECT_VERSION} at the top of NEWS.")
endif()
set(TALVENOR_RELEASE_DATE ${TALVENOR_RELEASE_${PROJECT_VERSION}_DATE})

# "Wed, 09 Dec 2026 00:00:00 +0000" for a YYYY-MM-DD date.
function(talvenor_rfc2822_date date out_var)
    string(REGEX MATCH "^([0-9]+)-([0-9]+)-([0-9]+)$" _ "${date}")
    set(y ${CMAKE_MATCH_1})
    set(day_of_month ${CMAKE_MATCH_3})
    string(REGEX REPLACE "^0" "" m "${CMAKE_MATCH_2}")   # math() would read 08 as octal
    string(REGEX REPLACE "^0" "" d "${day_of_month}")
    # Sakamoto's weekday rule: 0 is Sunday.
    set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
    math(EXPR index "${m} - 1")
    list(GET offsets ${index} offset)
    set(yy ${y})
    if(m LESS 3)
        math(EXPR yy "${y} - 1")
    endif()
    math(EXPR weekday "(${yy} + ${yy} / 4 - ${yy} / 100 + ${yy} / 400 + ${offset} + ${d}) % 7")
    set(days Sun Mon Tue Wed Thu Fri Sat)
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(GET days ${weekday} day_name)
    list(GET months ${index} month_name)
    set(${out_var} "${day_name}, ${day_of_month} ${month_name} ${y} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

function(talvenor_debian_changelog out maintainer)
    set(text "")
    foreach(version IN LISTS TALVENOR_RELEASES)
        talvenor_rfc2822_date(${TALVENOR_RELEASE_${version}_DATE} when)
        string(APPEND text "talvenor (${version}) unstable; urgency=medium\n\n"
                           "${TALVENOR_RELEASE_${version}_TEXT}\n"
                           " -- ${maintainer}  ${when}\n\n")
    endforeach()
    string(REGEX REPLACE "\n\n$" "\n" text "${text}")
    file(WRITE ${out} "${text}")
endfunction()

# One <release> per entry, its bullets as the list of changes.
function(talvenor_metainfo_releases out_var)
    set(xml "")
    foreach(version IN LISTS TALVENOR_RELEASES)
        set(items "${TALVENOR_RELEASE_${version}_TEXT}")
        string(REPLACE "&" "&amp;" items "${items}")
        string(REPLACE "<" "&lt;" items "${items}")
        string(REPLACE ">" "&gt;" items "${items}")
        string(REGEX REPLACE "\n    " " " items "${items}")          # continuation lines
        string(REGEX REPLACE "  \\* ([^\n]*)\n" "          <li>\\1</li>\n" items "${items}")
        string(APPEND xml "    <release version=\"${version}\" date=\"${TALVENOR_RELEASE_${version}_DATE}\">\n"
                          "      <description>\n        <ul>\n${items}        </ul>\n      </description>\n"
                          "    </release>\n")
    endforeach()
    string(REGEX REPLACE "\n$" "" xml "${xml}")
    set(${out_var} "${xml}" PARENT_SCOPE)
endfunction()
