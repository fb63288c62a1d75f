#include <gtest/gtest.h>

#include "platform/text.h"
#include "support/file_facts.h"
#include "support/temp_folder.h"
#include "update/file_md5.h"

namespace {

namespace fs = std::filesystem;
using testing_support::core_path;
using testing_support::temp_folder;
using testing_support::write_bytes;

std::string narrow(const fs::path& file) { return platform::to_ansi(core_path(file)); }

TEST(FileMd5, EmptyFileIsTheDigestOfEmptyInput) {
  temp_folder dir;
  write_bytes(dir.path() / "empty", "");
  EXPECT_EQ(fileMd5Hex(narrow(dir.path() / "empty")), "D41D8CD98F00B204E9800998ECF8427E");
}

TEST(FileMd5, MissingFileOrFolderGivesNothing) {
  temp_folder dir;
  EXPECT_EQ(fileMd5Hex(narrow(dir.path() / "missing")), "");
  EXPECT_EQ(fileMd5Hex(narrow(dir.path())), "");
}

TEST(FileMd5, AgreesWithTheSystemsDigest) {
  temp_folder dir;
  // Sizes around the 1,024-byte reads and the 64-byte blocks, and a name with Chinese text.
  for (const std::size_t size : {1u, 55u, 56u, 64u, 1023u, 1024u, 1025u, 70001u}) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + size) % 251);
    const fs::path file = dir.path() / ("包" + std::to_string(size) + ".12");
    write_bytes(file, data);
    EXPECT_EQ(fileMd5Hex(narrow(file)), testing_support::reference_md5_hex(file)) << size;
  }
}

}  // namespace
