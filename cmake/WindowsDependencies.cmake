# Libraries of the Windows build, all linked statically:
# - zlib from Debian's MinGW package (libz-mingw-w64-dev);
# - minizip built from Debian's minizip source package, fetched into build/ on first configure
#   (scripts/lib/fetch-minizip-source.sh) and never kept in the repository;
# - GoogleTest built from Debian's googletest sources (/usr/src/googletest).

find_library(LAUNCHER_WINDOWS_ZLIB NAMES libz.a REQUIRED)
find_path(LAUNCHER_WINDOWS_ZLIB_INCLUDE zlib.h REQUIRED)
if(NOT TARGET ZLIB::ZLIB)
  add_library(ZLIB::ZLIB STATIC IMPORTED)
  set_target_properties(ZLIB::ZLIB PROPERTIES IMPORTED_LOCATION ${LAUNCHER_WINDOWS_ZLIB}
                        INTERFACE_INCLUDE_DIRECTORIES ${LAUNCHER_WINDOWS_ZLIB_INCLUDE})
endif()

set(LAUNCHER_MINIZIP_SOURCE "${PROJECT_SOURCE_DIR}/build/sources/minizip" CACHE PATH
    "Unpacked minizip source package for the Windows build (fetched when missing)")
if(NOT EXISTS "${LAUNCHER_MINIZIP_SOURCE}/unzip.c")
  message(STATUS "Fetching the minizip source package into ${LAUNCHER_MINIZIP_SOURCE}")
  execute_process(
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/lib/fetch-minizip-source.sh ${LAUNCHER_MINIZIP_SOURCE}
    RESULT_VARIABLE fetch_result)
  if(NOT fetch_result EQUAL 0)
    message(FATAL_ERROR "Could not fetch the minizip source package")
  endif()
endif()
# Both halves: the core reads packages and can write them (update/zip_writer.cpp).
add_library(launcher_minizip STATIC ${LAUNCHER_MINIZIP_SOURCE}/unzip.c
                                    ${LAUNCHER_MINIZIP_SOURCE}/zip.c
                                    ${LAUNCHER_MINIZIP_SOURCE}/ioapi.c)
target_include_directories(launcher_minizip SYSTEM PUBLIC ${LAUNCHER_MINIZIP_SOURCE})
target_compile_options(launcher_minizip PRIVATE -w)
target_link_libraries(launcher_minizip PUBLIC ZLIB::ZLIB)
add_library(MINIZIP::minizip ALIAS launcher_minizip)

if(LAUNCHER_BUILD_TESTS OR NOT DEFINED LAUNCHER_BUILD_TESTS)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # Newer googletest sources name their targets GTest::* themselves.
  foreach(name gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${name})
      add_library(GTest::${name} ALIAS ${name})
    endif()
  endforeach()
endif()
