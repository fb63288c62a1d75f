#pragma once
// The digests of a package file: its MD5 as the portal page publishes it for each package and,
// for a signed release, its SHA-256 and length as the signed manifest holds them.
#include <cstdint>
#include <string>

// 32 upper-case hexadecimal digits; empty when the file cannot be opened.
std::string fileMd5Hex(const std::u16string& path);
// The MD5 for narrow text in the system's ANSI code page, which cannot name every file.
std::string fileMd5Hex(const std::string& ansiPath);

struct FileDigests {
  std::string md5;     // as fileMd5Hex gives it
  std::string sha256;  // 64 lower-case hexadecimal digits; empty unless asked for
  std::uint64_t size = 0;
  bool operator==(const FileDigests&) const = default;
};
// The file's digests in one reading of it; empty digests when it cannot be read.
FileDigests fileDigests(const std::u16string& path, bool withSha256);
