# Run by CPack after it made the Windows zip (CPACK_POST_BUILD_SCRIPTS): a
# Windows Installer package of each program in the zip, beside it, then the
# checksums of all three. Without wixl the zip alone is made, and a warning
# says so.
list(GET CPACK_PACKAGE_FILES 0 zip)
set(version ${CPACK_PACKAGE_VERSION})
set(made_packages)
file(MAKE_DIRECTORY ${CPACK_PACKAGE_DIRECTORY})
foreach(arch x64 x86)
  file(REMOVE ${CPACK_PACKAGE_DIRECTORY}/morumoru_${version}_${arch}.msi)
endforeach()

find_program(WIXL wixl)
if(NOT WIXL)
  message(WARNING "wixl is not installed (Debian package wixl): no Windows Installer packages")
else()
  # The very files of the zip, stripped as they are there.
  set(unpacked ${CPACK_TOPLEVEL_DIRECTORY}/msi-programs)
  file(REMOVE_RECURSE ${unpacked})
  file(ARCHIVE_EXTRACT INPUT ${zip} DESTINATION ${unpacked})
  foreach(pair "x64;64-bit" "x86;32-bit")
    list(GET pair 0 arch)
    list(GET pair 1 folder)
    set(msi ${CPACK_PACKAGE_DIRECTORY}/morumoru_${version}_${arch}.msi)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -DMSI_ARCH=${arch} -DMSI_VERSION=${version}
              -DMSI_SCR=${unpacked}/${folder}/morumoru.scr -DMSI_HOMEPAGE=${CPACK_PACKAGE_HOMEPAGE_URL}
              -DMSI_OUTPUT=${msi} -P ${CMAKE_CURRENT_LIST_DIR}/windows_msi.cmake
      RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "the ${arch} Windows Installer package was not made")
    endif()
    message(STATUS "${msi} generated.")
    list(APPEND made_packages ${msi})
  endforeach()
  file(REMOVE_RECURSE ${unpacked})
endif()

set(MORUMORU_MORE_PACKAGES ${made_packages})
include(${CMAKE_CURRENT_LIST_DIR}/sha256sums.cmake)
