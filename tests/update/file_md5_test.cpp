#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "support/address_space.h"
#include "support/file_facts.h"
#include "support/temp_folder.h"
#include "update/file_md5.h"
#include "update/package_digests.h"

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
  // Sizes around the 16 KiB reads and the 64-byte blocks, and a name with Chinese text.
  for (const std::size_t size : {1u, 55u, 56u, 64u, 16383u, 16384u, 16385u, 70001u}) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + size) % 251);
    const fs::path file = dir.path() / ("包" + std::to_string(size) + ".12");
    write_bytes(file, data);
    EXPECT_EQ(fileMd5Hex(narrow(file)), testing_support::reference_md5_hex(file)) << size;
  }
}

}  // namespace

// A long update's packages are hashed by a few threads, however many are queued, and each
// digest taken is its own file's.
TEST(PackageDigests, ManyQueuedPackagesCostAFewThreadsAndKeepTheirOwnDigests) {
  temp_folder dir;
  std::vector<std::u16string> files;
  for (int i = 0; i < 32; ++i) {
    const fs::path file = dir.path() / fs::path(u"p").concat(std::to_string(i));
    write_bytes(file, std::string((1 << 20) + i, static_cast<char>('a' + i % 26)));
    files.push_back(platform::from_ansi(narrow(file)));
  }
  const std::size_t threads_before = testing_support::current_load().threads;
  PackageDigests digests;
  // Hashing a MiB takes far longer than queueing all of them: a thread per package would still
  // be running here.
  for (std::size_t i = 0; i < files.size(); ++i) digests.start(files[i], i % 2 == 0);
  if (threads_before != 0) {
    EXPECT_LE(testing_support::current_load().threads,
              threads_before + PackageDigests::max_hashing_threads);
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    const FileDigests taken = digests.take(files[i], i % 2 == 0);
    EXPECT_EQ(taken, fileDigests(files[i], i % 2 == 0));
    EXPECT_EQ(taken.sha256.empty(), i % 2 != 0);
  }
}
