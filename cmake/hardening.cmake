# An optimised native build gets the hardening flags Debian builds its own
# packages with (fortify, stack protector, relro, bindnow), as dpkg-buildflags
# gives them on this machine; the .deb is made from that build. Debug and
# sanitizer builds keep their own flags: fortify needs optimisation.
option(MORUMORU_HARDENING "Debian's hardening flags in an optimised native build" ON)

if(NOT MORUMORU_HARDENING OR WIN32 OR CMAKE_CROSSCOMPILING)
  return()
endif()
if(NOT CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  return()
endif()
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
  message(STATUS "dpkg-buildflags not found: no Debian hardening flags")
  return()
endif()

foreach(kind IN ITEMS CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                          ${DPKG_BUILDFLAGS} --get ${kind}
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  # The build type chooses optimisation and debug information.
  list(FILTER flags EXCLUDE REGEX "^-(O[0-9s]?|g)$")
  set(MORUMORU_DEB_${kind} ${flags})
endforeach()

add_compile_options(${MORUMORU_DEB_CPPFLAGS} ${MORUMORU_DEB_CXXFLAGS})
add_link_options(${MORUMORU_DEB_LDFLAGS})
message(STATUS "Debian hardening flags: ${MORUMORU_DEB_CPPFLAGS} ${MORUMORU_DEB_CXXFLAGS} "
               "${MORUMORU_DEB_LDFLAGS}")
