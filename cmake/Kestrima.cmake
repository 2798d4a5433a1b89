# Project-wide compile settings and helpers for libraries, programs and tests.

set(KESTRIMA_ROOT "${CMAKE_CURRENT_LIST_DIR}/..")
get_filename_component(KESTRIMA_ROOT "${KESTRIMA_ROOT}" ABSOLUTE)

# Tests only run on the x86_64 build (under 64-bit Wine); the i686 build
# compiles them so both architectures stay honest.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(KESTRIMA_RUN_TESTS ON)
else()
  set(KESTRIMA_RUN_TESTS OFF)
endif()

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                        _WIN32_WINNT=0x0601 WINVER=0x0601)
add_compile_options(-Wall -Wextra -Werror -Wno-unused-parameter -Wno-cast-function-type)
add_link_options(-static -static-libgcc -static-libstdc++)
include_directories("${KESTRIMA_ROOT}")

if(KESTRIMA_RUN_TESTS AND KESTRIMA_BUILD_TESTS)
  enable_testing()
  set(KESTRIMA_HARNESS_DIR "${CMAKE_BINARY_DIR}/harness")
  add_test(NAME harness_start
           COMMAND "${KESTRIMA_ROOT}/scripts/harness.sh" start "${KESTRIMA_HARNESS_DIR}")
  set_tests_properties(harness_start PROPERTIES FIXTURES_SETUP harness TIMEOUT 600)
  add_test(NAME harness_stop
           COMMAND "${KESTRIMA_ROOT}/scripts/harness.sh" stop "${KESTRIMA_HARNESS_DIR}")
  set_tests_properties(harness_stop PROPERTIES FIXTURES_CLEANUP harness)
endif()

# A Windows console program (wmain) of the project: tools, benchmarks and
# child programs used by tests.
function(kestrima_console_program name)
  add_executable(${name} ${ARGN})
  target_link_options(${name} PRIVATE -municode -mconsole)
endfunction()

# A Windows GUI program (wWinMain).
function(kestrima_gui_program name)
  add_executable(${name} WIN32 ${ARGN})
  target_link_options(${name} PRIVATE -municode -mwindows)
endfunction()

# kestrima_test(<name> SOURCES ... [LIBS ...] [DEPENDS ...] [TIMEOUT s])
# Builds a GoogleTest program and registers it with CTest, run under Wine in
# the harness's prefix, with its display and loopback services (see
# scripts/harness.sh). DEPENDS names programs the test starts, so that they
# are built before it runs; their paths reach the test as environment
# variables KESTRIMA_EXE_<NAME> holding Windows paths.
function(kestrima_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} deps::gmock deps::gtest_main)
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  if(NOT (KESTRIMA_RUN_TESTS AND KESTRIMA_BUILD_TESTS))
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(env "KESTRIMA_HARNESS_DIR=${KESTRIMA_HARNESS_DIR}")
  foreach(dep ${T_DEPENDS})
    string(TOUPPER "${dep}" up)
    string(MAKE_C_IDENTIFIER "${up}" up)
    list(APPEND env "KESTRIMA_EXE_${up}=Z:$<TARGET_FILE:${dep}>")
  endforeach()
  add_test(NAME ${name}
           COMMAND "${KESTRIMA_ROOT}/scripts/wine-run.sh" "$<TARGET_FILE:${name}>")
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED harness
                       TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}")
endfunction()
