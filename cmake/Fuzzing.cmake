# LAUNCHER_FUZZ=ON builds the libFuzzer harnesses of fuzz/. It needs clang: every target of the
# build, the core included, is then compiled with the fuzzer's coverage hooks, and with ASan and
# UBSan unless LAUNCHER_SANITIZE names other sanitizers. Included before Sanitizers.cmake.
option(LAUNCHER_FUZZ "Build the libFuzzer harnesses of fuzz/ (clang only)" OFF)
if(LAUNCHER_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "LAUNCHER_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  if(NOT LAUNCHER_SANITIZE)
    set(LAUNCHER_SANITIZE address,undefined)
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
