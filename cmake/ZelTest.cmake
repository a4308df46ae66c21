# add_zel_test(NAME LABELS label... SOURCES file... [NEEDS_GUI] [LIBS lib...] [TIMEOUT s])
#
# One GoogleTest executable; each test case becomes its own CTest test so that a hanging case
# is named by the time-out and cases run in parallel.
find_package(GTest REQUIRED)
include(GoogleTest)

function(add_zel_test name)
  cmake_parse_arguments(ZT "NEEDS_GUI" "TIMEOUT" "LABELS;SOURCES;LIBS" ${ARGN})
  if(NOT ZT_SOURCES)
    return()
  endif()
  if(NOT ZT_TIMEOUT)
    set(ZT_TIMEOUT 120)
  endif()
  add_executable(${name} ${ZT_SOURCES})
  zel_set_warnings(${name})
  target_link_libraries(${name} PRIVATE zel_test_support ${ZT_LIBS} GTest::gtest GTest::gmock
                                        GTest::gtest_main)
  set(env "ZEL_TEST_OUTPUT=${CMAKE_BINARY_DIR}/test-output")
  if(ZT_NEEDS_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${ZT_LABELS}" TIMEOUT ${ZT_TIMEOUT} ENVIRONMENT "${env}")
endfunction()
