#pragma once
// Packages made by the tests: stored zips with known entries, and their digests.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/stored_zip.h"
#include "support/temp_folder.h"
#include "update/md5.h"

namespace webwindow_testing {

namespace fs = std::filesystem;
using testing_support::read_bytes;
using testing_support::write_bytes;

inline std::string md5Of(const std::string& bytes) {
  MD5 md5;
  md5.update(bytes.data(), bytes.size());
  return md5.hex();
}

// A stored (uncompressed) zip with the entries.
inline void makePackage(const fs::path& zip, const std::map<std::string, std::string>& entries) {
  write_bytes(zip, testing_support::stored_zip(entries));
}

inline std::string pseudoRandomText(std::size_t size, unsigned seed) {
  std::string text(size, ' ');
  for (auto& c : text) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>('a' + (seed >> 16) % 26);
  }
  return text;
}

struct Package {
  std::string name;
  std::string entry;
  std::string content;
  std::string bytes;  // the zip
};

}  // namespace webwindow_testing
