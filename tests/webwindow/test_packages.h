#pragma once
// Packages made by the tests: stored zips with known entries, and their digests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

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

// A stored (uncompressed) zip with the entries, made by Python's zipfile.
inline void makePackage(const fs::path& zip, const std::map<std::string, std::string>& entries,
                 const fs::path& scratch) {
  fs::create_directories(scratch);
  std::string script = "import zipfile\nz = zipfile.ZipFile(r'" + zip.string() + "', 'w')\n";
  int n = 0;
  for (const auto& [name, content] : entries) {
    const fs::path source = scratch / ("entry" + std::to_string(n++));
    write_bytes(source, content);
    script += "z.write(r'" + source.string() + "', r'" + name + "')\n";
  }
  script += "z.close()\n";
  write_bytes(scratch / "make.py", script);
  ASSERT_EQ(std::system(("python3 " + (scratch / "make.py").string()).c_str()), 0);
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
