# Toolchain of the fuzz preset: clang 16 with libFuzzer's coverage instrumentation
# in every object, so the fuzzers steer by the library's coverage, not only by
# their own files. The sanitizers come from ZT_SANITIZE=address.
#
# Clang 16 because libstdc++ 12's std::expected needs conditionally trivial special
# members, which clang 14 lacks. libstdc++ declares std::expected only when
# __cpp_concepts reports C++20's final value; clang 16 implements what that guard
# waits for but still reports 201907, so the value is set here.
set(CMAKE_C_COMPILER clang-16)
set(CMAKE_CXX_COMPILER clang++-16)
#
# ubsan-ignorelist.txt names the undefined-behaviour reports of third-party code
# that the fuzz build leaves out.
set(zt_fuzz_flags "-fsanitize=fuzzer-no-link -fsanitize-ignorelist=${CMAKE_CURRENT_LIST_DIR}/ubsan-ignorelist.txt")
set(CMAKE_C_FLAGS_INIT "${zt_fuzz_flags}")
set(CMAKE_CXX_FLAGS_INIT "${zt_fuzz_flags} -U__cpp_concepts -D__cpp_concepts=202002L")
