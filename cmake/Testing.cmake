# Shared helpers for test targets.
find_package(GTest REQUIRED)
include(GoogleTest)

# What a desktop login gives a program and a test process does not otherwise have: a private
# runtime folder (XDG_RUNTIME_DIR, mode 0700, owned by the user). Without it the Vulkan loader's
# Wayland part, which OpenGL drivers built on Vulkan (Mesa's zink) load, prints a line on stderr
# at start-up, which the tests of the program's one-line failures would read as the program's.
# CTest makes the folder each time it starts (MakeRuntimeDir.cmake.in), so a cleaned build folder
# gets it back.
set(QV_TEST_RUNTIME_DIR ${PROJECT_BINARY_DIR}/test-runtime)
configure_file(${PROJECT_SOURCE_DIR}/cmake/MakeRuntimeDir.cmake.in ${PROJECT_BINARY_DIR}/MakeRuntimeDir.cmake @ONLY)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY TEST_INCLUDE_FILES ${PROJECT_BINARY_DIR}/MakeRuntimeDir.cmake)

# The environment of every test: the source tree, for tests that read its files, the runtime
# folder above, and the sanitizers' settings, which only the sanitizer build reads. A leak fails
# the test; UBSan stops at its first report, with a stack; a report ends the process with exit
# status 1 rather than an abort, which the scripts that run the whole program read as the program
# failing; tests/lsan.supp names what system libraries keep for the life of the process. The
# layer's refusal lines stay off whatever the developer's shell exports; the tests of those lines
# turn them on themselves.
set(QV_TEST_ENVIRONMENT
  "QV_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
  "QV_D3D11_DEBUG=0"
  "XDG_RUNTIME_DIR=${QV_TEST_RUNTIME_DIR}"
  "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
  "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")

# qv_set_test_environment(TEST... [ENV NAME=VALUE...])
# Sets each test's environment to QV_TEST_ENVIRONMENT plus the ENV entries of that test alone.
function(qv_set_test_environment)
  cmake_parse_arguments(E "" "" "ENV" ${ARGN})
  if(NOT E_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "qv_set_test_environment: no test named")
  endif()
  set_property(TEST ${E_UNPARSED_ARGUMENTS} PROPERTY ENVIRONMENT ${QV_TEST_ENVIRONMENT} ${E_ENV})
endfunction()

# qv_add_gtest(NAME SOURCES... LIBS ... [LABELS ...])
# Builds one GoogleTest executable and registers every test case with CTest.
function(qv_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DISCOVERY_TIMEOUT 60)
  # gtest_discover_tests flattens list-valued PROPERTIES (several labels, several environment
  # entries), so the properties are set by a script that CTest runs after the discovered tests
  # have been added.
  set(properties_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
  file(WRITE ${properties_file}
    "foreach(qv_test IN LISTS ${name}_TESTS)\n"
    "  set_tests_properties(\"\${qv_test}\" PROPERTIES LABELS \"${T_LABELS}\" ENVIRONMENT \"${QV_TEST_ENVIRONMENT}\")\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${properties_file})
endfunction()

# qv_add_fuzzer(NAME SOURCE file LIBS ... CORPUS dir [NO_REPLAY] [REPLAY_ENV NAME=VALUE...])
# With QV_FUZZ (clang) this builds a real libFuzzer binary. In every build it also builds
# NAME_replay, the same target linked to a small driver that runs each corpus file once,
# and registers that replay with CTest so the corpus stays a regression suite (NO_REPLAY:
# another target already replays the corpus; REPLAY_ENV: more environment for the replay).
function(qv_add_fuzzer name)
  cmake_parse_arguments(F "NO_REPLAY" "SOURCE;CORPUS" "LIBS;REPLAY_ENV" ${ARGN})
  if(NOT F_NO_REPLAY)
    add_executable(${name}_replay ${F_SOURCE})
    target_link_libraries(${name}_replay PRIVATE ${F_LIBS} qv_fuzz_replay_main)
    add_test(NAME ${name}_corpus COMMAND ${name}_replay ${F_CORPUS})
    set_tests_properties(${name}_corpus PROPERTIES LABELS "fuzz")
    qv_set_test_environment(${name}_corpus ENV ${F_REPLAY_ENV})
  endif()
  if(QV_FUZZ)
    add_executable(${name} ${F_SOURCE})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${F_LIBS})
  endif()
endfunction()
