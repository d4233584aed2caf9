# SPDX-License-Identifier: MIT
# Tests of the documentation, the installation, the Debian package and the
# build's configuration.

# Every example session of the README and the manual page, run against the
# built program.
add_test(NAME docs.examples
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/doc_examples_test.sh $<TARGET_FILE:qmsop>
          ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/man/qmsop.1)

# The manual page renders without a warning.
add_test(NAME docs.man_lint
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/man_lint_test.sh ${PROJECT_SOURCE_DIR}/man/qmsop.1)
set_tests_properties(docs.man_lint PROPERTIES SKIP_RETURN_CODE 77)

# cmake --install into a temporary prefix, then the README's examples with
# the installed program.
add_test(NAME docs.install
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/install_test.sh ${CMAKE_COMMAND} ${PROJECT_BINARY_DIR}
          ${PROJECT_SOURCE_DIR})

# cpack -G DEB: the package's files, control data and documentation; in a
# hardened build, no path of the build machine in it. Then lintian on the
# package of a hardened build (skipped without lintian, or in a build without
# hardening, such as Debug or a sanitizer build).
foreach(check contents lintian)
  add_test(NAME docs.package_${check}
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/package_test.sh ${check} ${CMAKE_CPACK_COMMAND}
            ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION} "${QMSOP_HARDENED}")
  set_tests_properties(docs.package_${check} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()

# These read the whole build tree (cpack also checks that it is up to date).
set_tests_properties(docs.install docs.package_contents docs.package_lintian
                     PROPERTIES RESOURCE_LOCK qmsop_build_tree)

# The manual page's title line carries the project's version.
add_test(NAME docs.man_version
  COMMAND grep -q "^\\.TH QMSOP 1 [0-9-]* \"qmsop ${PROJECT_VERSION}\"" ${PROJECT_SOURCE_DIR}/man/qmsop.1)

# Configuring without GoogleTest: with the tests off the program needs
# nothing else; with them on, one message names the package to install.
add_test(NAME build.without_gtest
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/configure_test.sh ${CMAKE_COMMAND} ${PROJECT_SOURCE_DIR}
          ${CMAKE_CXX_COMPILER})
set_tests_properties(build.without_gtest PROPERTIES TIMEOUT 300)
