#include <gtest/gtest.h>

#include "platform/text.h"
#include "update/download_planning.h"
#include "update/install_fixture.h"
#include "update/install_records.h"

namespace {

namespace fs = std::filesystem;
using install_testing::CurrentFolderGuard;
using install_testing::LogCapture;
using install_testing::makeZip;
using testing_support::core_path;
using testing_support::temp_folder;
using testing_support::write_bytes;

struct DownloadPlanning : ::testing::Test {
  void SetUp() override { dlistMap.clear(); }
  void TearDown() override {
    dlistMap.clear();
    verFileExisted = false;
  }
  fs::path folder() const { return dir.path(); }
  std::u16string launcherFolder() const { return dir.core_folder(); }

  temp_folder dir;
  CurrentFolderGuard keepFolder;
  LogCapture log;
};

enum class Package { absent, valid, broken };

struct PlanningCase {
  const char* what;
  Package package;
  const char16_t* recorded;  // version in the download list, null when not listed
  bool markerExisted;
  bool expectDownload;
  bool expectExtracted;
  const char* expectedNeedUnzipLine;  // INFO line of needUnzip, or null
};

TEST_F(DownloadPlanning, DecisionTable) {
  const PlanningCase cases[] = {
      {"absent, not listed", Package::absent, nullptr, true, true, false, nullptr},
      {"absent, listed", Package::absent, u"12", true, true, false, nullptr},
      {"present, same version", Package::valid, u"12", true, false, false, nullptr},
      {"present, not listed", Package::valid, nullptr, true, false, true, "not in dlist, reunzip file!"},
      {"present, not listed, new launcher", Package::valid, nullptr, false, false, true, "not in dlist, reunzip file!"},
      {"present, listed, new launcher", Package::valid, u"12", false, false, true, "VerFile not exist, reunzip file"},
      {"present, other version", Package::valid, u"11", true, false, true, nullptr},
      {"present but broken", Package::broken, u"11", true, true, false, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    keepFolder.restore();
    fs::remove_all(folder());
    fs::create_directories(folder());
    dlistMap.clear();
    if (c.recorded) dlistMap[u"res"] = c.recorded;
    verFileExisted = c.markerExisted;
    const fs::path package = folder() / "res.12";
    if (c.package == Package::valid) makeZip(package, {install_testing::fileEntry("res/readme.txt", "r")});
    if (c.package == Package::broken) write_bytes(package, "not an archive");
    const auto infoBefore = log.lines("INFO ", "needUnzip").size();
    const auto errorsBefore = log.lines("ERROR", "CWebWindow::CheckFileNeedDownload").size();

    EXPECT_EQ(CheckFileNeedDownload(launcherFolder(), {u"res.12", u"12"}), c.expectDownload);

    EXPECT_EQ(fs::exists(folder() / "res" / "readme.txt"), c.expectExtracted);
    const auto info = log.lines("INFO ", "needUnzip");
    ASSERT_EQ(info.size() - infoBefore, c.expectedNeedUnzipLine ? 1u : 0u);
    if (c.expectedNeedUnzipLine) {
      EXPECT_NE(info.back().find(c.expectedNeedUnzipLine), std::string::npos);
    }
    if (c.expectExtracted) {
      EXPECT_EQ(dlistMap[u"res"], u"12") << "recorded after extraction";
    }
    if (c.package == Package::broken) {
      const auto errors = log.lines("ERROR", "CWebWindow::CheckFileNeedDownload",
                                    "uncompress zip file fail! need to redownload it! " +
                                        platform::to_ansi(core_path(package)));
      EXPECT_EQ(errors.size() - errorsBefore, 1u);
      EXPECT_FALSE(fs::exists(package)) << "the broken file is removed before the download";
    }
    if (c.package == Package::absent) {
      const std::string expected = "文件:" + platform::to_ansi(core_path(package)) + "需要下载";
      EXPECT_FALSE(log.lines("DEBUG", "CWebWindow::CheckFileNeedDownload", expected).empty());
    }
  }
}

TEST_F(DownloadPlanning, VersionsCompareWithoutRegardToCase) {
  // The download list comes back upper-cased from disk; a lower-case version is still the same.
  makeZip(folder() / "res.beta", {install_testing::fileEntry("res/readme.txt", "r")});
  dlistMap[u"res"] = u"BETA";
  verFileExisted = true;
  EXPECT_FALSE(needUnzip({u"res.beta", u"beta"}));
  EXPECT_FALSE(CheckFileNeedDownload(launcherFolder(), {u"res.beta", u"beta"}));
  EXPECT_FALSE(fs::exists(folder() / "res" / "readme.txt"));
  EXPECT_TRUE(needUnzip({u"res.gamma", u"gamma"}));
}

TEST_F(DownloadPlanning, DownloadRemovesOnlyOtherVersionsOfThePackage) {
  for (const char* name : {"res.11", "res.10.", "resource.txt", "RES.10", "res", "dlist", "wdver.V7.0",
                           "zefa_wd_run.log.1", "game.exe", "res.12.bak", "ui.12"}) {
    write_bytes(folder() / name, "x");
  }
  fs::create_directory(folder() / "res.old");
  // Windows drops a trailing dot and ignores case: there "res.10." and "RES.10" are both the
  // file res.10, another version of the package, which has to go.
  const bool namesKeptApart = !fs::exists(folder() / "res.10");
  EXPECT_TRUE(CheckFileNeedDownload(launcherFolder(), {u"res.12", u"12"}));
  EXPECT_FALSE(fs::exists(folder() / "res.11"));
  EXPECT_FALSE(fs::exists(folder() / "res.10"));
  for (const char* kept : {"res.10.", "resource.txt", "RES.10", "res", "dlist", "wdver.V7.0", "zefa_wd_run.log.1",
                           "game.exe", "res.12.bak", "ui.12", "res.old"}) {
    const bool samePackage = std::string(kept) == "res.10." || std::string(kept) == "RES.10";
    if (samePackage && !namesKeptApart) continue;
    EXPECT_TRUE(fs::exists(folder() / kept)) << kept;
  }
  EXPECT_FALSE(log.lines("DEBUG", "CWebWindow::RemoveOtherVersionOfThisFile", "移除同名文件").empty());
}

TEST_F(DownloadPlanning, NameWithoutVersionRemovesNothing) {
  for (const char* name : {"readme", "readme.1", "a.b", ".hidden"}) write_bytes(folder() / name, "x");
  RemoveOtherVersionOfThisFile(launcherFolder(), u"readme");
  RemoveOtherVersionOfThisFile(launcherFolder(), u".hidden");
  for (const char* name : {"readme", "readme.1", "a.b", ".hidden"}) EXPECT_TRUE(fs::exists(folder() / name)) << name;
}

TEST_F(DownloadPlanning, RemovalWorksOnTheBaseOfDottedNames) {
  for (const char* name : {"a.b.6", "a.b.7", "a.c.6", "a.6"}) write_bytes(folder() / name, "x");
  RemoveOtherVersionOfThisFile(launcherFolder(), u"a.b.7");
  EXPECT_FALSE(fs::exists(folder() / "a.b.6"));
  EXPECT_FALSE(fs::exists(folder() / "a.b.7"));
  EXPECT_TRUE(fs::exists(folder() / "a.c.6"));
  EXPECT_TRUE(fs::exists(folder() / "a.6"));
}

}  // namespace
