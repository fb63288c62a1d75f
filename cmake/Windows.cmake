# Settings of the Windows build that belong to the project rather than to the toolchain.

# Narrow string literals are UTF-8 in the sources but the ANSI code page on Windows: log lines
# and message texts travel as GBK (code page 936) there, as the rest of the system expects.
# GB18030 is GBK's superset and gives every GBK character the same bytes; unlike CP936 it also
# encodes the few non-GBK characters in the standard library's own literals (the micro sign in
# <chrono>), which CP936 rejects.
set(LAUNCHER_EXEC_CHARSET GB18030 CACHE STRING "Encoding of narrow string literals on Windows")
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fexec-charset=${LAUNCHER_EXEC_CHARSET}>)

# Wide Win32 calls by default; Windows 7 or later (CoGetApartmentType).
add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)

include(${CMAKE_CURRENT_LIST_DIR}/WindowsDependencies.cmake)
