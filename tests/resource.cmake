# SPDX-License-Identifier: MIT
# Resource and hostile-input tests: the built program on very large and
# malformed inputs and on standard output that goes away, each run under a
# time limit, with its peak memory measured by qmsop_measure.
add_executable(qmsop_resource_tests ${CMAKE_CURRENT_SOURCE_DIR}/resource_test.cpp)
target_link_libraries(qmsop_resource_tests PRIVATE GTest::gtest GTest::gtest_main)
target_compile_options(qmsop_resource_tests PRIVATE -Wall -Wextra -Wpedantic)
target_compile_definitions(qmsop_resource_tests PRIVATE
  QMSOP_BINARY="$<TARGET_FILE:qmsop>"
  QMSOP_MEASURE="$<TARGET_FILE:qmsop_measure>"
  QMSOP_FUZZ_INPUT_DIRS="${PROJECT_SOURCE_DIR}/fuzz/seeds:${PROJECT_SOURCE_DIR}/fuzz/regressions"
  $<$<BOOL:${QMSOP_SANITIZE}>:QMSOP_SANITIZED>)
add_dependencies(qmsop_resource_tests qmsop qmsop_measure)
gtest_discover_tests(qmsop_resource_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 900)
