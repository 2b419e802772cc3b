# Compile options shared by every target of the project: warnings as errors and,
# when ZT_SANITIZE is set, the chosen sanitizer.
add_library(zt_options INTERFACE)
target_compile_options(zt_options INTERFACE -Wall -Wextra -Wpedantic -Werror)
# include/ holds the public header; the build tree's include/ the generated
# zt/zt_core_version.h beside it.
target_include_directories(zt_options INTERFACE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/include
  ${PROJECT_BINARY_DIR}/include)

set(ZT_SANITIZE "" CACHE STRING "Sanitizer to build with: address (with undefined) or thread")
if(ZT_SANITIZE STREQUAL "address")
  set(zt_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
elseif(ZT_SANITIZE STREQUAL "thread")
  set(zt_sanitize_flags -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT ZT_SANITIZE STREQUAL "")
  message(FATAL_ERROR "ZT_SANITIZE must be empty, address or thread, not '${ZT_SANITIZE}'")
endif()
if(zt_sanitize_flags)
  add_compile_options(${zt_sanitize_flags})
  add_link_options(${zt_sanitize_flags})
endif()

# zt_add_test(NAME source... LIBS lib...): one GoogleTest executable registered with CTest.
function(zt_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE zt_options ${ARG_LIBS} GTest::gtest_main)
  # Tests that read generated fixtures find them here (see tests/fixtures).
  target_compile_definitions(${name} PRIVATE ZT_FIXTURES_DIR="${ZT_FIXTURES_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()
