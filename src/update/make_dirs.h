#pragma once
// Creates a folder and every missing folder above it.
#include <string>

// Only "\" separates levels. On success resolved receives the folder's absolute path with a
// trailing "\"; false when a level cannot be created or the path is not a folder.
bool makeDirs(const std::u16string& path, std::u16string& resolved);
