# SPDX-License-Identifier: MIT
# Tests of the documentation, the installation and the Debian package.

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

# cpack -G DEB: the package holds the program and the page.
add_test(NAME docs.package
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/package_test.sh ${CMAKE_CPACK_COMMAND}
          ${PROJECT_BINARY_DIR})
set_tests_properties(docs.package PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)

# Both read the whole build tree (cpack also checks that it is up to date).
set_tests_properties(docs.install docs.package PROPERTIES RESOURCE_LOCK qmsop_build_tree)

# The manual page's title line carries the project's version.
add_test(NAME docs.man_version
  COMMAND grep -q "^\\.TH QMSOP 1 [0-9-]* \"qmsop ${PROJECT_VERSION}\"" ${PROJECT_SOURCE_DIR}/man/qmsop.1)
