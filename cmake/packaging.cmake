# SPDX-License-Identifier: MIT
# Installation of the manual page and the Debian package.
#
#   cmake --install build --prefix DIR   DIR/bin/qmsop, DIR/share/man/man1/qmsop.1.gz
#   (cd build && cpack -G DEB)           build/qmsop_VERSION_ARCH.deb, the same two files
#                                        under /usr
include(GNUInstallDirs)

# The page is installed compressed, as Debian's policy asks for manual pages;
# gzip -n leaves out the name and time, so the file is the same on every build.
find_program(QMSOP_GZIP gzip REQUIRED)
set(QMSOP_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/man/qmsop.1)
add_custom_command(
  OUTPUT ${QMSOP_MAN_PAGE}.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/man/qmsop.1 ${QMSOP_MAN_PAGE}
  COMMAND ${QMSOP_GZIP} -9 -n -f ${QMSOP_MAN_PAGE}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/man/qmsop.1
  COMMENT "Compressing the manual page"
  VERBATIM)
add_custom_target(qmsop_man ALL DEPENDS ${QMSOP_MAN_PAGE}.gz)
install(FILES ${QMSOP_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package: the binary and the page, installed under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qmsop)
set(CPACK_PACKAGE_VENDOR "qmsop developers")
set(CPACK_PACKAGE_CONTACT "qmsop developers <qmsop@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Quine-McCluskey minimiser of a Boolean function that shows its working")
set(CPACK_PACKAGE_DESCRIPTION
    "qmsop reads one Boolean function (variable names, minterms and don't-cares)
from standard input, finds its prime implicants by the Quine-McCluskey
tabulation, chooses a cover from the prime-implicant chart and prints the
whole working together with the resulting sum of products.")
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
find_program(QMSOP_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QMSOP_DPKG_SHLIBDEPS)
  # Depends: computed from the libraries the binary links against.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
endif()
include(CPack)
