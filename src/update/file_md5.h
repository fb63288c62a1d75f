#pragma once
// The MD5 digest of a file, as the portal page publishes it for each package.
#include <string>

// 32 upper-case hexadecimal digits; empty when the file cannot be opened.
std::string fileMd5Hex(const std::u16string& path);
// The same for narrow text in the system's ANSI code page, which cannot name every file.
std::string fileMd5Hex(const std::string& ansiPath);
