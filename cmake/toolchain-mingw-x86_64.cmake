# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers, the test configuration of
# machines that cannot run 32-bit x86 programs (and so not wine32). The product stays the
# 32-bit build (toolchain-mingw-i686.cmake); this one only has to build and pass the same tests.
#   cmake -S . -B build/windows-x86_64 --toolchain cmake/toolchain-mingw-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain-common.cmake)

# Debian's 64-bit loader itself: the "wine" wrapper prefers the 32-bit loader whenever it is
# installed, even where it cannot run.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
