#pragma once
// How minizip reads an archive: through the platform's files, by the archive's whole path.
// minizip's own functions open it by a narrow name, which on Windows is in the ANSI code page
// and cannot name a package in a folder whose name the code page does not hold.
#include <unzip.h>

// Functions for unzOpen2_64, whose path argument must then be a const std::u16string*.
zlib_filefunc64_def wide_path_file_functions();
