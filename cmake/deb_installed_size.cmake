# Run by CPack after it made the .deb (CPACK_POST_BUILD_SCRIPTS): sets
# Installed-Size to what dpkg-gencontrol would count, one KiB rounded up per
# file and one per link or folder, instead of CPack's sum, which follows
# symbolic links and so counts the program twice.
find_program(DPKG_DEB dpkg-deb REQUIRED)

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  set(unpacked ${CPACK_TOPLEVEL_DIRECTORY}/installed-size)
  file(REMOVE_RECURSE ${unpacked})
  execute_process(COMMAND ${DPKG_DEB} -R ${package} ${unpacked} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-deb -R ${package} failed")
  endif()

  file(GLOB_RECURSE entries LIST_DIRECTORIES true ${unpacked}/*)
  set(kibibytes 0)
  foreach(entry IN LISTS entries)
    string(FIND "${entry}" "${unpacked}/DEBIAN" control_part)
    if(control_part EQUAL 0)
      continue()
    endif()
    if(IS_SYMLINK ${entry} OR IS_DIRECTORY ${entry})
      math(EXPR kibibytes "${kibibytes} + 1")
    else()
      file(SIZE ${entry} bytes)
      math(EXPR kibibytes "${kibibytes} + (${bytes} + 1023) / 1024")
    endif()
  endforeach()

  file(READ ${unpacked}/DEBIAN/control control)
  string(REGEX REPLACE "Installed-Size: [0-9]+" "Installed-Size: ${kibibytes}" control
                       "${control}")
  file(WRITE ${unpacked}/DEBIAN/control "${control}")
  execute_process(COMMAND ${DPKG_DEB} --root-owner-group -Zgzip -b ${unpacked} ${package}
                  OUTPUT_QUIET RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-deb -b ${package} failed")
  endif()
  file(REMOVE_RECURSE ${unpacked})
  message(STATUS "${package}: Installed-Size ${kibibytes}")
endforeach()
