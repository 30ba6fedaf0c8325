# quendler_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [WINDOWS_ONLY] [NATIVE_ONLY])
#
# One GoogleTest program per call, registered as one CTest test. In the Windows build the
# program runs under Wine (the cross-compiling emulator) and needs the "wine" fixture, which
# starts a virtual display and a Wine prefix inside the build tree and stops them again.
set(QUENDLER_WINE_DIR ${CMAKE_BINARY_DIR}/wine)

function(quendler_add_test name)
  cmake_parse_arguments(T "WINDOWS_ONLY;NATIVE_ONLY" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(T_WINDOWS_ONLY AND NOT WIN32)
    return()
  endif()
  if(T_NATIVE_ONLY AND WIN32)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gmock gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  quendler_judge_by_gtest_summary(${name})
  quendler_test_environment(${name})
endfunction()

# Under Wine a program that dies in its tear-down (a crash in a thread's TLS clean-up, say) can
# still end with code 0, so a Windows GoogleTest program passes only on GoogleTest's own
# summary line. Natively the exit code stands.
function(quendler_judge_by_gtest_summary)
  if(WIN32)
    set_tests_properties(${ARGN} PROPERTIES
      PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ test"
      FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
  endif()
endfunction()

# Gives a registered test what it needs to run in this build (Wine for the Windows build).
function(quendler_test_environment test)
  if(WIN32)
    # The unit programs share one prefix and display, so they take turns; the end-to-end
    # scripts bring their own and may run beside them (the test preset runs two at a time).
    set_tests_properties(${test} PROPERTIES
      FIXTURES_REQUIRED wine
      RESOURCE_LOCK wine_prefix
      ENVIRONMENT "QUENDLER_WINE_DIR=${QUENDLER_WINE_DIR}")
  endif()
endfunction()

function(quendler_add_wine_fixture)
  if(NOT WIN32)
    return()
  endif()
  add_test(NAME wine.start COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-env.sh start)
  add_test(NAME wine.stop COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-env.sh stop)
  set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180
    ENVIRONMENT "QUENDLER_WINE_DIR=${QUENDLER_WINE_DIR}")
  set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60
    ENVIRONMENT "QUENDLER_WINE_DIR=${QUENDLER_WINE_DIR}")
endfunction()
