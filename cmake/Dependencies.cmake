# Third-party libraries of the core, found in one place: zlib (inflate) and the unzip half of
# minizip over it. Both come from the system's packages (zlib1g-dev, libminizip-dev).
find_package(ZLIB REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)

# launcher_zip: what the core links to read zip archives.
add_library(launcher_zip INTERFACE)
target_link_libraries(launcher_zip INTERFACE PkgConfig::MINIZIP ZLIB::ZLIB)
