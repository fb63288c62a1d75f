#include <gtest/gtest.h>

#include "platform/text.h"
#include "support/file_facts.h"
#include "update/install_fixture.h"
#include "update/unzip_file.h"
#include "update/zip_archive.h"
#include "update/zip_writer.h"

namespace {

namespace fs = std::filesystem;
using install_testing::CurrentFolderGuard;
using install_testing::countingBytes;
using install_testing::fileEntry;
using install_testing::folderEntry;
using install_testing::LogCapture;
using install_testing::makeZip;
using install_testing::zip_entry;
using testing_support::core_path;
using testing_support::read_bytes;
using testing_support::temp_folder;
using testing_support::write_bytes;

struct UnzipFileTest : ::testing::Test {
  // Packages are extracted into target; the folder around it shows anything that escapes.
  UnzipFileTest() : target(dir.path() / "launcher") { fs::create_directory(target); }

  bool unzip(const std::vector<zip_entry>& entries) {
    makeZip(dir.path() / "package.zip", entries);
    return UnzipFile(core_path(target) + u"\\", core_path(dir.path() / "package.zip"));
  }
  std::vector<std::string> errorLines() const { return log.lines("ERROR", "CWebWindow::UnzipFile"); }

  temp_folder dir;
  CurrentFolderGuard keepFolder;
  fs::path target;
  LogCapture log;
};

TEST_F(UnzipFileTest, FolderEntryThenItsFile) {
  EXPECT_TRUE(unzip({folderEntry("data/"), fileEntry("data/a.txt", "hello")}));
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
  EXPECT_TRUE(unzip({fileEntry("x/y/z.bin", countingBytes(40000)), fileEntry("top.txt", "t")}));
  const std::string data = read_bytes(target / "x" / "y" / "z.bin");
  ASSERT_EQ(data.size(), 40000u);
  for (std::size_t i = 0; i < data.size(); i += 997) ASSERT_EQ(static_cast<unsigned char>(data[i]), i % 256);
  EXPECT_EQ(read_bytes(target / "top.txt"), "t");
}

// A package in a launcher folder whose name the ANSI code page cannot hold (Korean on a Chinese
// Windows) is opened by its whole path; only the log has the narrow name.
TEST_F(UnzipFileTest, APackageInAFolderOutsideTheCodePage) {
  const fs::path folder = dir.path() / fs::path(u"게임");
  fs::create_directory(folder);
  makeZip(folder / "res.12", {fileEntry("data/a.txt", countingBytes(40000))});
  EXPECT_TRUE(UnzipFile(core_path(folder) + u"\\", core_path(folder / "res.12")));
  EXPECT_EQ(read_bytes(folder / "data" / "a.txt"), countingBytes(40000));
  EXPECT_TRUE(errorLines().empty());
}

TEST_F(UnzipFileTest, FolderEntryWithOnlyTheUnixDirectoryBit) {
  zip_entry assets = folderEntry("assets/");
  assets.type = zip_entry::kind::unix_folder;
  EXPECT_TRUE(unzip({assets}));
  EXPECT_TRUE(fs::is_directory(target / "assets"));
}

TEST_F(UnzipFileTest, EmptyArchiveExtractsNothingAndSucceeds) {
  EXPECT_TRUE(unzip({}));
  EXPECT_TRUE(fs::is_empty(target));
  EXPECT_TRUE(errorLines().empty());
}

TEST_F(UnzipFileTest, ExistingFilesAreReplacedWhole) {
  write_bytes(target / "a.txt", std::string(5000, 'o'));
  EXPECT_TRUE(unzip({fileEntry("a.txt", "new")}));
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
  EXPECT_FALSE(unzip({fileEntry("a.txt", "a"), fileEntry("b.txt", "b"), fileEntry("c.txt", "c")}));
  EXPECT_EQ(read_bytes(target / "a.txt"), "a");
  EXPECT_FALSE(fs::exists(target / "c.txt"));
  const auto errors = errorLines();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("unzip fail, errcode=:512, ze.name=b.txt"), std::string::npos) << errors[0];
}

TEST_F(UnzipFileTest, DamagedEntryDataFails) {
  for (const auto how : {zip_entry::damage::inflate, zip_entry::damage::crc, zip_entry::damage::cut}) {
    SCOPED_TRACE(how == zip_entry::damage::crc ? "crc" : how == zip_entry::damage::cut ? "cut" : "inflate");
    zip_entry bad = fileEntry("bad.bin", std::string(3000, 'q'));
    bad.broken = how;
    const auto before = errorLines().size();
    EXPECT_FALSE(unzip({fileEntry("ok.txt", "fine"), bad}));
    EXPECT_EQ(read_bytes(target / "ok.txt"), "fine");
    EXPECT_FALSE(fs::exists(target / "bad.bin")) << "half a file would pass for an installed one";
    const auto errors = errorLines();
    ASSERT_EQ(errors.size(), before + 1);
    EXPECT_NE(errors.back().find("unzip fail, errcode=:1024, ze.name=bad.bin"), std::string::npos) << errors.back();
    keepFolder.restore();
    fs::remove_all(target);
    fs::create_directory(target);
  }
}

TEST_F(UnzipFileTest, EntriesOutsideTheFolderFailThePackage) {
  struct Case {
    const char* name;
    fs::path wouldLand;  // relative to dir, i.e. beside the launcher folder
  };
  const Case cases[] = {
      {"../up.txt", "up.txt"},
      {"data/../../up2.txt", "up2.txt"},
      {"..\\up3.txt", "up3.txt"},
      {"../outside/", "outside"},
      {"C:/drive.txt", "drive.txt"},
      {"C:\\drive2.txt", "drive2.txt"},
      {"C:drive3.txt", "drive3.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const bool folder = std::string(c.name).back() == '/';
    const auto before = errorLines().size();
    EXPECT_FALSE(unzip({folder ? folderEntry(c.name) : fileEntry(c.name, "x")}));
    EXPECT_FALSE(fs::exists(dir.path() / c.wouldLand));
    // Read from the extraction folder, which is still current: on Windows a drive name
    // points at that drive instead.
    EXPECT_FALSE(fs::exists(fs::path(c.name)));
    EXPECT_TRUE(fs::is_empty(target));
    EXPECT_EQ(errorLines().size(), before + 1);
    EXPECT_EQ(log.lines("ERROR", "CWebWindow::UnzipFile", std::string("ze.name=") + c.name).size(), 1u);
  }
  // Absolute names, stored as given: with "/" only, with the system's own separators, and
  // (on Windows) without the drive. Nothing may appear at that path or below the folder.
  const fs::path absolute = dir.path() / "absolute.txt";
  const std::string rootRelative = (fs::path("/") / absolute.relative_path()).generic_string();
  for (const std::string& name : {absolute.generic_string(), absolute.string(), rootRelative}) {
    SCOPED_TRACE(name);
    const auto before = log.lines("ERROR", "CWebWindow::UnzipFile", "ze.name=" + name).size();
    EXPECT_FALSE(unzip({fileEntry(name, "x")}));
    EXPECT_FALSE(fs::exists(absolute));
    EXPECT_FALSE(fs::exists(target / absolute.relative_path()));
    EXPECT_TRUE(fs::is_empty(target));
    EXPECT_EQ(log.lines("ERROR", "CWebWindow::UnzipFile", "ze.name=" + name).size(), before + 1);
  }
}

zip_entry timedEntry(const std::string& name, const std::string& extra = {}) {
  zip_entry entry = fileEntry(name, "");
  entry.modified = {2010, 1, 2, 3, 4, 6};
  entry.extra = extra;
  return entry;
}

TEST_F(UnzipFileTest, TimesComeFromTheDosTimeThenTheExtendedTimestamp) {
  using testing_support::extended_timestamp_block;
  const std::string otherBlock("\x0a\x00\x04\x00\x01\x02\x03\x04", 8);
  ASSERT_TRUE(unzip({
      timedEntry("dos.txt"),
      timedEntry("both.txt", extended_timestamp_block(7, {1000000000, 1100000000, 1200000000})),
      timedEntry("mtime.txt", extended_timestamp_block(1, {1000000000})),
      timedEntry("cut.txt", otherBlock + extended_timestamp_block(3, {1000000000})),
      timedEntry("early.txt", extended_timestamp_block(1, {-5})),
  }));
  using testing_support::file_times_of;
  // 2010-01-02 03:04:06 taken as UTC, as the archive's writer stored it.
  constexpr std::int64_t dos = 1262401446;
  const auto dosOnly = file_times_of(target / "dos.txt");
  EXPECT_EQ(dosOnly.modified, dos);
  EXPECT_EQ(dosOnly.accessed, dos);
  const auto both = file_times_of(target / "both.txt");
  EXPECT_EQ(both.modified, 1000000000);
  EXPECT_EQ(both.accessed, 1100000000);
  const auto mtimeOnly = file_times_of(target / "mtime.txt");
  EXPECT_EQ(mtimeOnly.modified, 1000000000);
  EXPECT_EQ(mtimeOnly.accessed, dos);
  // Another block before "UT" is stepped over; an access time the block has no room for is not read.
  const auto cut = file_times_of(target / "cut.txt");
  EXPECT_EQ(cut.modified, 1000000000);
  EXPECT_EQ(cut.accessed, dos);
  EXPECT_EQ(file_times_of(target / "early.txt").modified, dos);
}

// What the core's own writer stores comes back whole: a UTF-8 name read as UTF-8 on every
// system, the data, the exact modification second and the permission bits.
TEST_F(UnzipFileTest, APackageOfTheCoresWriterInstallsAsWritten) {
  ZipWriter writer(6);
  const std::u8string wideName = u8"地图/城.map";
  const std::string name(wideName.begin(), wideName.end());
  const std::string data = countingBytes(70000);
  ASSERT_TRUE(writer.add({name, 1704110401, 0750}, data.data(), data.size()));
  const auto bytes = writer.finish();
  ASSERT_TRUE(bytes);
  write_bytes(dir.path() / "package.zip", std::string(bytes->begin(), bytes->end()));
  ASSERT_TRUE(UnzipFile(core_path(target) + u"\\", core_path(dir.path() / "package.zip")));
  const fs::path installed = target / fs::path(wideName);
  EXPECT_EQ(read_bytes(installed), data);
  EXPECT_EQ(testing_support::file_times_of(installed).modified, 1704110401);
  ZipArchive archive;
  ZipEntry entry;
  ASSERT_TRUE(archive.open(core_path(dir.path() / "package.zip")));
  ASSERT_EQ(archive.describe(0, entry), ZIP_RESULT_OK);
  EXPECT_EQ(entry.name, u"地图/城.map");
  EXPECT_EQ(entry.unixPermissions, 0750u);
}

}  // namespace
