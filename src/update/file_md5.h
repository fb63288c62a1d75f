#pragma once
// The MD5 digest of a file, as the portal page publishes it for each package.
#include <cstdint>
#include <string>

// 32 upper-case hexadecimal digits; empty when the file cannot be opened.
std::string fileMd5Hex(const std::u16string& path);
// The SHA-256 digest (64 lower-case hexadecimal digits) and length of a file; an empty digest
// when it cannot be read.
struct FileSha256 {
  std::string hex;
  std::uint64_t size = 0;
};
FileSha256 fileSha256(const std::u16string& path);
// The MD5 for narrow text in the system's ANSI code page, which cannot name every file.
std::string fileMd5Hex(const std::string& ansiPath);
