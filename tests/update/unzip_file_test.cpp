#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/text.h"
#include "update/install_fixture.h"
#include "update/unzip_file.h"

namespace {

namespace fs = std::filesystem;
using install_testing::CurrentFolderGuard;
using install_testing::LogCapture;
using install_testing::makeZip;
using testing_support::core_path;
using testing_support::read_bytes;
using testing_support::temp_folder;
using testing_support::write_bytes;

struct UnzipFileTest : ::testing::Test {
  // Packages are extracted into target; the folder around it shows anything that escapes.
  UnzipFileTest() : target(dir.path() / "launcher") { fs::create_directory(target); }

  bool unzip(const std::string& jsonEntries) {
    makeZip(dir.path() / "package.zip", jsonEntries);
    return UnzipFile(core_path(target) + u"\\", core_path(dir.path() / "package.zip"));
  }
  std::vector<std::string> errorLines() const { return log.lines("ERROR", "CWebWindow::UnzipFile"); }

  CurrentFolderGuard keepFolder;
  temp_folder dir;
  fs::path target;
  LogCapture log;
};

TEST_F(UnzipFileTest, FolderEntryThenItsFile) {
  EXPECT_TRUE(unzip(R"([{"name": "data/", "dir": true}, {"name": "data/a.txt", "data": "hello"}])"));
  EXPECT_TRUE(fs::is_directory(target / "data"));
  EXPECT_EQ(read_bytes(target / "data" / "a.txt"), "hello");
  EXPECT_TRUE(errorLines().empty());
  const auto started = log.lines("INFO ", "CWebWindow::UnzipFile", "解压文件:");
  ASSERT_EQ(started.size(), 1u);
  EXPECT_NE(started[0].find(platform::to_ansi(core_path(dir.path() / "package.zip"))), std::string::npos);
  EXPECT_TRUE(fs::equivalent(fs::current_path(), target)) << "the folder is left current";
}

TEST_F(UnzipFileTest, NestedFileWithoutFolderEntriesGetsItsFolders) {
  // 40,000 bytes take three 16 KiB pieces; deflated, so inflate runs across them.
  EXPECT_TRUE(unzip(R"([{"name": "x/y/z.bin", "size": 40000}, {"name": "top.txt", "data": "t"}])"));
  const std::string data = read_bytes(target / "x" / "y" / "z.bin");
  ASSERT_EQ(data.size(), 40000u);
  for (std::size_t i = 0; i < data.size(); i += 997) ASSERT_EQ(static_cast<unsigned char>(data[i]), i % 256);
  EXPECT_EQ(read_bytes(target / "top.txt"), "t");
}

TEST_F(UnzipFileTest, FolderEntryWithOnlyTheUnixDirectoryBit) {
  EXPECT_TRUE(unzip(R"([{"name": "assets/", "unix_dir": true}])"));
  EXPECT_TRUE(fs::is_directory(target / "assets"));
}

TEST_F(UnzipFileTest, EmptyArchiveExtractsNothingAndSucceeds) {
  EXPECT_TRUE(unzip("[]"));
  EXPECT_TRUE(fs::is_empty(target));
  EXPECT_TRUE(errorLines().empty());
}

TEST_F(UnzipFileTest, ExistingFilesAreReplacedWhole) {
  write_bytes(target / "a.txt", std::string(5000, 'o'));
  EXPECT_TRUE(unzip(R"([{"name": "a.txt", "data": "new"}])"));
  EXPECT_EQ(read_bytes(target / "a.txt"), "new");
}

TEST_F(UnzipFileTest, ArchiveThatCannotBeOpened) {
  write_bytes(dir.path() / "not-a-zip", "this is text, not an archive");
  for (const fs::path& path : {dir.path() / "not-a-zip", dir.path() / "missing.zip"}) {
    EXPECT_FALSE(UnzipFile(core_path(target) + u"\\", core_path(path)));
    const std::string expected = "unzip fail, file : " + platform::to_ansi(core_path(path)) + " open fail";
    EXPECT_EQ(log.lines("ERROR", "CWebWindow::UnzipFile", expected).size(), 1u) << path;
  }
}

TEST_F(UnzipFileTest, EntryThatCannotBeCreatedStopsTheRest) {
  fs::create_directory(target / "b.txt");  // a folder where the second file should go
  EXPECT_FALSE(unzip(R"([{"name": "a.txt", "data": "a"}, {"name": "b.txt", "data": "b"},
                         {"name": "c.txt", "data": "c"}])"));
  EXPECT_EQ(read_bytes(target / "a.txt"), "a");
  EXPECT_FALSE(fs::exists(target / "c.txt"));
  const auto errors = errorLines();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("unzip fail, errcode=:512, ze.name=b.txt"), std::string::npos) << errors[0];
}

TEST_F(UnzipFileTest, DamagedEntryDataFails) {
  for (const char* how : {"inflate", "crc"}) {
    SCOPED_TRACE(how);
    const std::string entries = std::string(R"([{"name": "ok.txt", "data": "fine"}, {"name": "bad.bin", "data": ")") +
                             std::string(3000, 'q') + R"(", "corrupt": ")" + how + R"("}])";
    const auto before = errorLines().size();
    EXPECT_FALSE(unzip(entries));
    EXPECT_EQ(read_bytes(target / "ok.txt"), "fine");
    const auto errors = errorLines();
    ASSERT_EQ(errors.size(), before + 1);
    EXPECT_NE(errors.back().find("unzip fail, errcode=:1024, ze.name=bad.bin"), std::string::npos) << errors.back();
    fs::remove_all(target);
    fs::create_directory(target);
  }
}

TEST_F(UnzipFileTest, EntriesOutsideTheFolderFailThePackage) {
  struct Case {
    const char* jsonName;
    const char* loggedName;
    fs::path wouldLand;  // relative to dir, i.e. beside the launcher folder
  };
  const Case cases[] = {
      {"../up.txt", "../up.txt", "up.txt"},
      {"data/../../up2.txt", "data/../../up2.txt", "up2.txt"},
      {"..\\\\up3.txt", "..\\up3.txt", "up3.txt"},
      {"../outside/", "../outside/", "outside"},
      {"C:/drive.txt", "C:/drive.txt", "drive.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.loggedName);
    const bool folder = std::string(c.jsonName).back() == '/';
    const std::string entries = std::string(R"([{"name": ")") + c.jsonName + R"(", )" +
                             (folder ? R"("dir": true}])" : R"("data": "x"}])");
    const auto before = errorLines().size();
    EXPECT_FALSE(unzip(entries));
    EXPECT_FALSE(fs::exists(dir.path() / c.wouldLand));
    EXPECT_EQ(errorLines().size(), before + 1);
    EXPECT_EQ(log.lines("ERROR", "CWebWindow::UnzipFile", std::string("ze.name=") + c.loggedName).size(), 1u);
  }
  // An absolute name: the generator stores it as given; nothing may appear at that path.
  const fs::path absolute = dir.path() / "absolute.txt";
  EXPECT_FALSE(unzip(R"([{"name": ")" + absolute.string() + R"(", "data": "x"}])"));
  EXPECT_FALSE(fs::exists(absolute));
  EXPECT_FALSE(fs::exists(target / absolute.relative_path()));
  EXPECT_TRUE(fs::is_empty(target));
}

struct FileTimes {
  std::int64_t modified = 0;
  std::int64_t accessed = 0;
};

FileTimes timesOf(const fs::path& file) {
  struct stat st {};
  EXPECT_EQ(stat(file.c_str(), &st), 0);
  return {st.st_mtim.tv_sec, st.st_atim.tv_sec};
}

TEST_F(UnzipFileTest, TimesComeFromTheDosTimeThenTheExtendedTimestamp) {
  ASSERT_TRUE(unzip(R"([
    {"name": "dos.txt", "date_time": [2010, 1, 2, 3, 4, 6]},
    {"name": "both.txt", "date_time": [2010, 1, 2, 3, 4, 6], "ut": {"flags": 7, "times": [1000000000, 1100000000, 1200000000]}},
    {"name": "mtime.txt", "date_time": [2010, 1, 2, 3, 4, 6], "ut": {"flags": 1, "times": [1000000000]}},
    {"name": "cut.txt", "date_time": [2010, 1, 2, 3, 4, 6], "extra_hex": "0a00040001020304", "ut": {"flags": 3, "times": [1000000000]}},
    {"name": "early.txt", "date_time": [2010, 1, 2, 3, 4, 6], "ut": {"flags": 1, "times": [-5]}}
  ])"));
  // 2010-01-02 03:04:06 taken as UTC, as the archive's writer stored it.
  constexpr std::int64_t dos = 1262401446;
  const auto dosOnly = timesOf(target / "dos.txt");
  EXPECT_EQ(dosOnly.modified, dos);
  EXPECT_EQ(dosOnly.accessed, dos);
  const auto both = timesOf(target / "both.txt");
  EXPECT_EQ(both.modified, 1000000000);
  EXPECT_EQ(both.accessed, 1100000000);
  const auto mtimeOnly = timesOf(target / "mtime.txt");
  EXPECT_EQ(mtimeOnly.modified, 1000000000);
  EXPECT_EQ(mtimeOnly.accessed, dos);
  // Another block before "UT" is stepped over; an access time the block has no room for is not read.
  const auto cut = timesOf(target / "cut.txt");
  EXPECT_EQ(cut.modified, 1000000000);
  EXPECT_EQ(cut.accessed, dos);
  EXPECT_EQ(timesOf(target / "early.txt").modified, dos);
}

}  // namespace
