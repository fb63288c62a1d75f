// Packages made by Debian's zip (Info-ZIP) from real files, as an operator on Linux makes them:
// what extraction keeps of the files' times.
#include <gtest/gtest.h>
#include <fcntl.h>

#include <ctime>

#include "support/child_program.h"
#include "support/file_facts.h"
#include "update/install_fixture.h"
#include "update/unzip_file.h"

namespace {

namespace fs = std::filesystem;
using install_testing::CurrentFolderGuard;
using install_testing::LogCapture;
using testing_support::core_path;
using testing_support::write_bytes;

struct InfoZipPackage : ::testing::Test {
  InfoZipPackage() : source(dir.path() / "source"), target(dir.path() / "launcher") {
    fs::create_directory(source);
    fs::create_directory(target);
  }

  void zip(const std::vector<std::string>& names) {
    std::vector<std::string> args{"-q", (dir.path() / "package.zip").string()};
    args.insert(args.end(), names.begin(), names.end());
    const auto made = testing_support::run_child("/usr/bin/zip", args, source, {});
    ASSERT_EQ(made.exit_code, 0) << made.output;
  }
  bool unzip() { return UnzipFile(core_path(target) + u"\\", core_path(dir.path() / "package.zip")); }

  testing_support::temp_folder dir;
  CurrentFolderGuard keepFolder;
  LogCapture log;
  fs::path source;
  fs::path target;
};

TEST_F(InfoZipPackage, TimesComeFromTheLocalHeadersExtendedTimestamp) {
  // Info-ZIP writes the access time only into the local header's "UT" block. An access time
  // later than the modification time and within the day keeps zip's own reading of the file
  // from moving it (relatime).
  const std::time_t now = std::time(nullptr);
  const timespec times[2] = {{now - 3600, 0}, {now - 10 * 86400 - 1, 0}};
  write_bytes(source / "stamped.txt", "t");
  ASSERT_EQ(utimensat(AT_FDCWD, (source / "stamped.txt").c_str(), times, 0), 0);
  zip({"stamped.txt"});
  ASSERT_TRUE(unzip());
  const auto got = testing_support::file_times_of(target / "stamped.txt");
  EXPECT_EQ(got.accessed, times[0].tv_sec);
  EXPECT_EQ(got.modified, times[1].tv_sec);
}

}  // namespace
