# Cross build for 32-bit Windows with Debian's MinGW-w64 compilers: the product.
#   cmake -S . -B build/windows --toolchain cmake/toolchain-mingw-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain-common.cmake)

# CTest runs every test program of this build through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
