include(GoogleTest)

# tobrix_test(NAME [UNIT] SOURCES a.cpp b.cpp LIBS lib1 lib2 [ONE_PROCESS LABELS l1 l2])
# One GoogleTest executable; its cases are listed to CTest when the tests run
# (not at build time, so a sanitizer build does not run every binary twice).
# ONE_PROCESS makes the whole executable a single CTest test instead, for a
# suite that shares something costly to start (a database server) between
# its cases; LABELS are added to the executable's own label.
# Every case is also labelled with its tier: UNIT marks a suite that runs in
# its own process alone (no server, no child process, no catalog), so that
# `ctest -L unit` is a loop of a minute or two; the rest are "integration".
function(tobrix_test name)
  cmake_parse_arguments(T "ONE_PROCESS;UNIT" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(T_UNIT)
    set(tier unit)
  else()
    set(tier integration)
  endif()
  add_executable(${name} ${T_SOURCES})
  # A suite's files compile as one: each of them read the same framework and
  # made its own copy of the same template code, half of the build's time.
  # The files are then headers to the compiler, which warns of a fixture in a
  # file's unnamed namespace as it would in a header shared by many files.
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
  target_compile_options(${name} PRIVATE -Wno-subobject-linkage)
  target_precompile_headers(${name} REUSE_FROM tobrix_test_pch)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    TOBRIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    TOBRIX_BINARY_DIR="${CMAKE_BINARY_DIR}")
  set(environment "ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1")
  # Each case is labelled with its executable so that a run can pick whole
  # suites (`make tsan` runs the ones that start threads).
  if(T_ONE_PROCESS)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${name};${tier};${T_LABELS}" ENVIRONMENT "${environment}")
  else()
    # gtest_discover_tests hands its properties through several list
    # expansions before they reach set_tests_properties: a value that is a
    # list itself keeps its items together only with its semicolons escaped
    # once for each of them.
    set(sep "\\\\\\\\\\\\\\;")
    string(REPLACE ";" "${sep}" labels "${name};${tier}")
    string(REPLACE ";" "${sep}" escaped_environment "${environment}")
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS "${labels}" ENVIRONMENT "${escaped_environment}")
  endif()
endfunction()
