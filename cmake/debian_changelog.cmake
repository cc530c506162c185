# CHANGELOG.md as Debian's changelog of a native package, gzipped the way
# Debian wants it (no name or time stamp in the gzip header):
#
#   cmake -DIN=CHANGELOG.md -DOUT=changelog.gz -DPACKAGE=morumoru
#         -DMAINTAINER="Name <mail>" -P debian_changelog.cmake
#
# A "## VERSION - YYYY-MM-DD" heading opens a release; each "- " item, with
# the indented lines after it, becomes one "  * " entry wrapped at 80 columns.

foreach(required IN ITEMS IN OUT PACKAGE MAINTAINER)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "debian_changelog.cmake needs -D${required}=...")
  endif()
endforeach()

# CMake lists split at ";": semicolons travel as a one-byte placeholder.
string(ASCII 1 semicolon)
file(READ ${IN} content)
string(REPLACE ";" "${semicolon}" content "${content}")
string(REPLACE "\n" ";" lines "${content}")

set(text "")
set(item "")
set(release_open FALSE)

# Appends `item` as one wrapped entry.
macro(flush_item)
  if(NOT item STREQUAL "")
    string(REGEX REPLACE "[ ]+" ";" words "${item}")
    set(wrapped "  *")
    foreach(word IN LISTS words)
      string(LENGTH "${wrapped} ${word}" length)
      if(length GREATER 80)
        string(APPEND text "${wrapped}\n")
        set(wrapped "    ${word}")
      else()
        string(APPEND wrapped " ${word}")
      endif()
    endforeach()
    string(APPEND text "${wrapped}\n")
    set(item "")
  endif()
endmacro()

macro(close_release)
  flush_item()
  if(release_open)
    string(APPEND text "\n -- ${MAINTAINER}  ${release_date}\n\n")
    set(release_open FALSE)
  endif()
endmacro()

foreach(line IN LISTS lines)
  if(line MATCHES "^## ([^ ]+) - ([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9])$")
    set(version ${CMAKE_MATCH_1})
    set(day ${CMAKE_MATCH_2})
    close_release()
    # Debian wants RFC 5322 dates; noon UTC keeps the day whatever the zone.
    execute_process(COMMAND date -u -R -d "${day} 12:00 UTC"
                    OUTPUT_VARIABLE release_date OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "cannot read the date in '${line}'")
    endif()
    string(APPEND text "${PACKAGE} (${version}) unstable; urgency=medium\n\n")
    set(release_open TRUE)
  elseif(release_open AND line MATCHES "^- (.*)$")
    set(first "${CMAKE_MATCH_1}")
    flush_item()
    set(item "${first}")
  elseif(release_open AND NOT item STREQUAL "" AND line MATCHES "^  +(.*)$")
    string(APPEND item " ${CMAKE_MATCH_1}")
  elseif(line MATCHES "^##")
    message(FATAL_ERROR "heading not of the form '## VERSION - YYYY-MM-DD': ${line}")
  endif()
endforeach()
close_release()

if(text STREQUAL "")
  message(FATAL_ERROR "no release in ${IN}")
endif()
string(REGEX REPLACE "\n\n$" "\n" text "${text}")
string(REPLACE "${semicolon}" ";" text "${text}")
get_filename_component(plain ${OUT} NAME_WLE)
get_filename_component(folder ${OUT} DIRECTORY)
file(WRITE ${folder}/${plain} "${text}")
execute_process(COMMAND gzip -9 -n -f ${plain} WORKING_DIRECTORY ${folder} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip failed on ${folder}/${plain}")
endif()
