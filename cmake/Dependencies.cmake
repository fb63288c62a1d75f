# Third-party libraries of the core, found in one place: zlib and minizip over it (the unzip
# half for the launcher, the zip half for whoever writes packages). On Linux both come from
# the system's packages (zlib1g-dev, libminizip-dev); the Windows build makes minizip from its
# source package over MinGW's static zlib (cmake/WindowsDependencies.cmake).
# launcher_zip: what the core links to read and write zip archives.
add_library(launcher_zip INTERFACE)
if(WIN32)
  target_link_libraries(launcher_zip INTERFACE MINIZIP::minizip)
else()
  find_package(ZLIB REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
  target_link_libraries(launcher_zip INTERFACE PkgConfig::MINIZIP ZLIB::ZLIB)
endif()
