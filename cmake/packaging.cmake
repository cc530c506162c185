# Packages made by `cpack` from a build folder: a Debian package of the
# native program; a .zip of the Windows screen saver and, with wixl, a
# Windows Installer package of each of its programs. SHA256SUMS beside them.
set(CPACK_PACKAGE_NAME morumoru)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "morumoru")
set(CPACK_PACKAGE_CONTACT "${MORUMORU_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen saver: nine pictures slide across a black screen")
# Debian shows the lines as they are: at most 80 characters each.
set(CPACK_PACKAGE_DESCRIPTION
    "One of nine pictures slides across a black screen, one pixel per step,\n"
    "horizontal and vertical slides taking turns. Runs on its own (morumoru /s,\n"
    "settings with /c), as a hack of xscreensaver, whose settings program\n"
    "offers its speed, and as a theme of MATE's and Xfce's screen savers.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${MORUMORU_HOMEPAGE}")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
# Debug information stays in the build folder.
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # 64-bit/morumoru.scr, 32-bit/morumoru.scr and the read-me; either Windows
  # build makes the same archive.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME morumoru_${PROJECT_VERSION}_windows)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  # morumoru_<version>_x64.msi and _x86.msi from the zip's programs.
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/windows_packages.cmake)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  # morumoru_<version>_<architecture>.deb, the Debian way.
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION x11)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS xscreensaver)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${MORUMORU_HOMEPAGE}")
  # CPack counts the link in xscreensaver's hack folder as a second copy of
  # the program; the package is rewritten with the size dpkg would give.
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/deb_installed_size.cmake
                               ${PROJECT_SOURCE_DIR}/cmake/sha256sums.cmake)
endif()

include(CPack)
