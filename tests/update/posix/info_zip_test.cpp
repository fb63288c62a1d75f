// Packages made by Debian's zip (Info-ZIP) from real files, as an operator on Linux makes them:
// what extraction keeps of the files' modes and times.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

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

constexpr const char* info_zip = "/usr/bin/zip";

struct InfoZipPackage : ::testing::Test {
  InfoZipPackage() : source(dir.path() / "source"), target(dir.path() / "launcher") {
    fs::create_directory(source);
    fs::create_directory(target);
  }
  void SetUp() override {
    if (!fs::exists(info_zip)) GTEST_SKIP() << "Debian's zip is not installed (" << info_zip << ")";
  }

  void zip(const std::vector<std::string>& names) {
    std::vector<std::string> args{"-q", (dir.path() / "package.zip").string()};
    args.insert(args.end(), names.begin(), names.end());
    const auto made = testing_support::run_child(info_zip, args, source, {});
    ASSERT_EQ(made.exit_code, 0) << made.output;
  }
  bool unzip() { return UnzipFile(core_path(target) + u"\\", core_path(dir.path() / "package.zip")); }

  testing_support::temp_folder dir;
  CurrentFolderGuard keepFolder;
  LogCapture log;
  fs::path source;
  fs::path target;
};

mode_t modeOf(const fs::path& file) {
  struct stat st {};
  EXPECT_EQ(stat(file.c_str(), &st), 0) << file;
  return st.st_mode & 07777;
}

TEST_F(InfoZipPackage, FilesKeepTheirPermissionsAndTheLaunchersProgramsAreExecutable) {
  const struct {
    std::string name;
    mode_t stored;
    mode_t installed;  // under umask 027
  } files[] = {
      {"tool.sh", 0755, 0750},
      {"special.bin", 07755, 0750},  // never set-user-id, set-group-id or sticky
      {"notes.txt", 0640, 0640},
      {"readonly.txt", 0444, 0640},  // the next update must be able to replace it
      {"game.exe", 0644, 0750},      // the programs the launcher starts, whatever the archive says
      {"zefaud.exe", 0600, 0710},
      {"data/game.exe", 0644, 0640},  // only in the launcher folder itself
  };
  fs::create_directory(source / "data");
  std::vector<std::string> names;
  for (const auto& f : files) {
    write_bytes(source / f.name, f.name);
    ASSERT_EQ(chmod((source / f.name).c_str(), f.stored), 0);
    names.push_back(f.name);
  }
  zip(names);
  // A file already in place takes the archive's mode as well.
  write_bytes(target / "tool.sh", "old");
  chmod((target / "tool.sh").c_str(), 0600);

  const mode_t saved = umask(027);
  const bool extracted = unzip();
  umask(saved);
  ASSERT_TRUE(extracted);
  for (const auto& f : files) EXPECT_EQ(modeOf(target / f.name), f.installed) << f.name;
}

TEST_F(InfoZipPackage, TimesComeFromTheLocalHeadersExtendedTimestamp) {
  // Info-ZIP writes the access time only into the local header's "UT" block. It takes the
  // times from the file before reading it, so whatever the mount does to the access time on a
  // read plays no part: the access time set here is one that every atime policy would move.
  const std::time_t now = std::time(nullptr);
  const timespec times[2] = {{now - 20 * 86400 - 7, 0}, {now - 10 * 86400 - 1, 0}};
  write_bytes(source / "stamped.txt", "t");
  ASSERT_EQ(utimensat(AT_FDCWD, (source / "stamped.txt").c_str(), times, 0), 0);
  zip({"stamped.txt"});
  ASSERT_TRUE(unzip());
  const auto got = testing_support::file_times_of(target / "stamped.txt");
  EXPECT_EQ(got.accessed, times[0].tv_sec);
  EXPECT_EQ(got.modified, times[1].tv_sec);
}

}  // namespace
