# SPDX-License-Identifier: MIT
# Read by cpack (CPACK_PROJECT_CONFIG_FILE) before it makes a package: the
# times of the package's files are SOURCE_DATE_EPOCH when it is set, and the
# time of the newest release in CHANGELOG.md otherwise, so that the package
# does not depend on when it was made.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} "${CPACK_QMSOP_RELEASE_EPOCH}")
endif()
