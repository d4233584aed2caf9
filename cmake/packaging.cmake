# SPDX-License-Identifier: MIT
# Installation of the manual page and the documentation, and the Debian package.
#
#   cmake --install build --prefix DIR   DIR/bin/qmsop
#                                        DIR/share/man/man1/qmsop.1.gz
#                                        DIR/share/doc/qmsop/{README.md,copyright,changelog.gz}
#   (cd build && cpack -G DEB)           build/qmsop_VERSION_ARCH.deb, the same files under /usr
#
# The package is reproducible: built from the same sources with the same
# SOURCE_DATE_EPOCH (by default the date of the newest release in
# CHANGELOG.md), it is the same file byte for byte, in whatever folder it was
# built. tests/package_test.sh checks it with lintian, .ci/check-reproducible
# builds it twice and compares.
include(${CMAKE_CURRENT_LIST_DIR}/changelog.cmake)

set(QMSOP_MAINTAINER "qmsop developers <qmsop-developers@users.noreply.invalid>")
# Directories that the install creates are rwxr-xr-x whatever the umask (the
# package's directories are set so by CPackPreBuild.cmake below).
set(QMSOP_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${QMSOP_DIRECTORY_PERMISSIONS})

# Compressed as Debian's policy asks; gzip -n leaves out the name and time, so
# the file is the same on every build.
find_program(QMSOP_GZIP gzip REQUIRED)
function(qmsop_gzip_file source output)
  cmake_path(GET output STEM LAST_ONLY name)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/gzip/${name})
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${QMSOP_GZIP} -9 -n -f ${copy}
    COMMAND ${CMAKE_COMMAND} -E copy ${copy}.gz ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${name}"
    VERBATIM)
endfunction()

# The manual page.
set(QMSOP_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/man/qmsop.1.gz)
qmsop_gzip_file(${PROJECT_SOURCE_DIR}/man/qmsop.1 ${QMSOP_MAN_PAGE})
install(FILES ${QMSOP_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The documentation: README.md, the changelog made from CHANGELOG.md, and the
# licence as a machine-readable Debian copyright file made from LICENSE.
set(QMSOP_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog)
qmsop_debian_changelog(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${QMSOP_CHANGELOG}
                       "${QMSOP_MAINTAINER}" QMSOP_RELEASE_EPOCH)
qmsop_gzip_file(${QMSOP_CHANGELOG} ${QMSOP_CHANGELOG}.gz)

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
# The copyright line, then the permission text, each line indented by one
# blank and each empty line written as " .".
if(NOT licence MATCHES "Copyright \\(c\\) ([^\n]*)\n\n(Permission.*[^\n])\n*$")
  message(FATAL_ERROR "LICENSE: expected the MIT licence's copyright line and permission text")
endif()
set(QMSOP_COPYRIGHT_HOLDERS "${CMAKE_MATCH_1}")
string(REPLACE "\n" "\n " QMSOP_LICENCE_TEXT "${CMAKE_MATCH_2}")
string(REPLACE "\n \n" "\n .\n" QMSOP_LICENCE_TEXT "${QMSOP_LICENCE_TEXT}")
set(QMSOP_COPYRIGHT ${CMAKE_CURRENT_BINARY_DIR}/doc/copyright)
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${QMSOP_COPYRIGHT} @ONLY)

add_custom_target(qmsop_doc ALL DEPENDS ${QMSOP_MAN_PAGE} ${QMSOP_CHANGELOG}.gz)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${QMSOP_COPYRIGHT} ${QMSOP_CHANGELOG}.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package: everything above, installed under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qmsop)
set(CPACK_PACKAGE_VENDOR "qmsop developers")
set(CPACK_PACKAGE_CONTACT "${QMSOP_MAINTAINER}")
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
# The times of the package's files, and the permissions of its directories,
# whatever the time and the umask of the build.
set(CPACK_QMSOP_RELEASE_EPOCH ${QMSOP_RELEASE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-options.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/cpack-pre-build.cmake)
include(CPack)
