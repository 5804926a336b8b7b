# The native GoogleTest programs of tests/ and platform/tests/ are built one
# way: the test file with the shared fixture (tests/support/test_machine.cpp
# resets the library's state with the machine's), the library's and the
# platform's objects linked in (korvane_internals), the platform's sources on
# the include path for the suites that reach its internal state, and every
# case registered with CTest. Each program is listed for the check that no
# program also loads the shared libraries.
include(GoogleTest)

# korvane_add_suite(<name> <source> [include dirs...])
function(korvane_add_suite name source)
  add_executable(${name} ${source} ${PROJECT_SOURCE_DIR}/tests/support/test_machine.cpp)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/library ${PROJECT_SOURCE_DIR}/tests
                                             ${PROJECT_SOURCE_DIR}/platform/src ${ARGN})
  target_link_libraries(${name} PRIVATE korvane_internals GTest::gtest GTest::gtest_main)
  korvane_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "KORVANE_TESTDATA=${KORVANE_TESTDATA}")
  set_property(GLOBAL APPEND PROPERTY KORVANE_SUITE_TARGETS ${name})
endfunction()
