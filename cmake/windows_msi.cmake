# Makes one Windows Installer package of morumoru.scr with wixl, from
# assets/windows/morumoru.wxs:
#
#   cmake -DMSI_ARCH=x64|x86 -DMSI_VERSION=1.2.0.0 -DMSI_SCR=path/to/morumoru.scr
#         -DMSI_HOMEPAGE=URL -DMSI_OUTPUT=path/to/package.msi -P cmake/windows_msi.cmake
#
# The packaging step (cmake/windows_packages.cmake) runs it for both
# programs; the tests run it again for a package of another version.
foreach(variable MSI_ARCH MSI_VERSION MSI_SCR MSI_HOMEPAGE MSI_OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "windows_msi.cmake needs -D${variable}=...")
  endif()
endforeach()
if(NOT MSI_ARCH MATCHES "^(x64|x86)$")
  message(FATAL_ERROR "MSI_ARCH is x64 or x86, not ${MSI_ARCH}")
endif()
find_program(WIXL wixl)
if(NOT WIXL)
  message(FATAL_ERROR "wixl is not installed (Debian package wixl)")
endif()

set(source ${CMAKE_CURRENT_LIST_DIR}/..)
# The publisher Windows lists is the one the program's version resource
# names.
file(STRINGS ${source}/assets/morumoru.rc company REGEX "VALUE \"CompanyName\"")
if(NOT company MATCHES "\"CompanyName\", \"([^\"]+)\"")
  message(FATAL_ERROR "no CompanyName in assets/morumoru.rc")
endif()
set(publisher "${CMAKE_MATCH_1}")
# One product code per architecture and version: a package of the same
# version made again is the same product, which a second install repairs
# rather than lists twice.
string(UUID product_code NAMESPACE CBC4D8DA-536D-43D5-B056-DDA681C5A35A
       NAME "morumoru ${MSI_ARCH} ${MSI_VERSION}" TYPE SHA1 UPPER)

# wixl takes the files by names relative to where it runs.
get_filename_component(output "${MSI_OUTPUT}" ABSOLUTE)
set(staging ${output}.files)
file(REMOVE_RECURSE ${staging})
file(MAKE_DIRECTORY ${staging})
file(COPY_FILE ${MSI_SCR} ${staging}/morumoru.scr)
file(COPY_FILE ${source}/assets/icons/program.ico ${staging}/morumoru.ico)
execute_process(
  COMMAND ${WIXL} --arch ${MSI_ARCH} --output ${output}
          -D Arch=${MSI_ARCH} -D Version=${MSI_VERSION} -D ProductCode=${product_code}
          -D Scr=morumoru.scr -D Icon=morumoru.ico -D "Publisher=${publisher}"
          -D HomePage=${MSI_HOMEPAGE} ${source}/assets/windows/morumoru.wxs
  WORKING_DIRECTORY ${staging}
  RESULT_VARIABLE failed
  ERROR_VARIABLE errors)
file(REMOVE_RECURSE ${staging})
if(failed)
  file(REMOVE ${output})
  message(FATAL_ERROR "wixl failed on ${MSI_ARCH} ${MSI_VERSION}: ${errors}")
endif()
