#pragma once
#include <string>

// The launcher folder: the program's path up to its last "\", trimmed, plus one "\"
// (C:\Games\Z\launcher.exe gives C:\Games\Z\); ".\" when there is no usable folder.
std::u16string getModuleDir();
std::u16string moduleDirOf(const std::u16string& programPath);
