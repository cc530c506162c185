# Run by CPack after the packages are made (CPACK_POST_BUILD_SCRIPTS, last):
# SHA256SUMS in the packages' folder, one line per package made now (those
# of CPACK_PACKAGE_FILES and MORUMORU_MORE_PACKAGES), as `sha256sum -c`
# reads it there. CPack copies its own packages to that folder only after
# this, under the same names.
set(lines)
foreach(package IN LISTS CPACK_PACKAGE_FILES MORUMORU_MORE_PACKAGES)
  file(SHA256 ${package} sum)
  get_filename_component(name ${package} NAME)
  list(APPEND lines "${sum}  ${name}")
endforeach()
list(JOIN lines "\n" text)
file(WRITE ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS "${text}\n")
message(STATUS "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS generated.")
