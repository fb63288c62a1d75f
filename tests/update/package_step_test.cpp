#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "platform/headless/headless_desktop.h"
#include "support/death_test_output.h"
#include "platform/text.h"
#include "support/file_facts.h"
#include "update/file_md5.h"
#include "update/game_stand_in.h"
#include "update/install_fixture.h"
#include "update/install_records.h"
#include "update/package_step.h"

namespace {

namespace fs = std::filesystem;
using install_testing::CurrentFolderGuard;
using install_testing::GameStandIn;
using install_testing::LogCapture;
using install_testing::makeZip;
using testing_support::core_path;
using testing_support::temp_folder;
using testing_support::write_bytes;
using ::testing::ExitedWithCode;
using testing_support::inOrder;
using testing_support::StderrSink;

constexpr const char* SHARED_FOLDER_VARIABLE = "LAUNCHER_PACKAGE_STEP_TEST_FOLDER";
// Not "game.exe": other tests of the update flow look for that name and would close ours.
constexpr const char* STAND_IN_NAME = "game-stand-in.bin";


// How the headless desktop prints a message box (in UTF-8, whatever the code page of the log).
std::string box(const std::u16string& caption, const std::u16string& text) {
  return "[" + platform::to_utf8(caption) + "] " + platform::to_utf8(text);
}

// A death-test child runs the test body again from its start. The folder, its archives and the
// stand-in game are made once, by the parent, and the child finds the folder by environment.
struct PackageStep : ::testing::Test {
  PackageStep() {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    if (const char* inherited = std::getenv(SHARED_FOLDER_VARIABLE)) {
      folder = inherited;
    } else {
      owned = std::make_unique<temp_folder>();
      folder = owned->path();
      setenv(SHARED_FOLDER_VARIABLE, folder.string().c_str(), 1);
    }
    dlistMap.clear();
    platform::headless::clear_shown_boxes();
  }
  ~PackageStep() override {
    if (owned) unsetenv(SHARED_FOLDER_VARIABLE);
    dlistMap.clear();
  }
  bool isParent() const { return owned != nullptr; }
  std::u16string launcherFolder() const { return core_path(folder) + u"\\"; }
  std::u16string gameName() const { return lowerCased(core_path(folder / STAND_IN_NAME)); }
  static std::u16string lowerCased(std::u16string text) {
    platform::to_lower(text);
    return text;
  }
  std::map<std::u16string, std::u16string> digestOf(const char16_t* name) const {
    return {{name, platform::from_ansi(fileMd5Hex(platform::to_ansi(core_path(folder / fs::path(name)))))}};
  }
  void install(const std::map<std::u16string, std::u16string>& md5Map) const {
    installDownloadedPackage(launcherFolder(), {u"res.12", u"12"}, md5Map, {}, gameName());
  }

  std::unique_ptr<temp_folder> owned;
  CurrentFolderGuard keepFolder;
  fs::path folder;
  LogCapture log;
  StderrSink toStderr;
};

const std::vector<install_testing::zip_entry> package = {install_testing::folderEntry("res/"),
                                                         install_testing::fileEntry("res/a.txt", "installed")};

TEST_F(PackageStep, MatchingDigestExtractsAndRecords) {
  makeZip(folder / "res.12", package);
  install(digestOf(u"res.12"));
  EXPECT_EQ(testing_support::read_bytes(folder / "res" / "a.txt"), "installed");
  EXPECT_EQ(dlistMap[u"res"], u"12");
  EXPECT_TRUE(platform::headless::shown_boxes().empty());
  EXPECT_TRUE(log.lines("ERROR", "CWebWindow::UnCompress").empty());
}

// A launcher folder with characters the ANSI code page lacks (Korean on a Chinese Windows): the
// package is hashed and unpacked all the same, by its whole path.
TEST_F(PackageStep, AFolderOutsideTheCodePageIsCheckedAndExtracted) {
  const fs::path launcher = folder / fs::path(u"게임");
  if (isParent()) {
    fs::create_directories(launcher);
    makeZip(launcher / "res.12", package);
  }
  const std::map<std::u16string, std::u16string> digest{
      {u"res.12", platform::from_utf8(testing_support::reference_md5_hex(launcher / "res.12"))}};
  // A failure ends the process: in a child of its own, so that it cannot end the test with it.
  EXPECT_EXIT(
      {
        installDownloadedPackage(core_path(launcher) + u"\\", {u"res.12", u"12"}, digest, {},
                                 gameName());
        std::exit(dlistMap[u"res"] == u"12" && platform::headless::shown_boxes().empty() ? 3 : 4);
      },
      ExitedWithCode(3), "");
  EXPECT_EQ(testing_support::read_bytes(launcher / "res" / "a.txt"), "installed");
}

TEST_F(PackageStep, OtherDigestDeletesThePackageAndEnds) {
  if (isParent()) makeZip(folder / "res.12", package);
  const std::string path = platform::to_ansi(core_path(folder / "res.12"));
  EXPECT_EXIT(install({{u"res.12", u"D41D8CD98F00B204E9800998ECF8427E"}}), ExitedWithCode(0),
              inOrder({"[ERROR]", "[CWebWindow::UnCompress]>> unzipfile fail, md5 is not the same:" + path,
                       box(u"提示", u"微端数据校验失败，请重试")}));
  EXPECT_FALSE(fs::exists(folder / "res.12"));
  EXPECT_FALSE(fs::exists(folder / "res"));
}

TEST_F(PackageStep, DigestIsComparedExactly) {
  if (isParent()) makeZip(folder / "res.12", package);
  auto lowerDigest = digestOf(u"res.12");
  lowerDigest[u"res.12"] = lowerCased(lowerDigest[u"res.12"]);
  EXPECT_EXIT(install(lowerDigest), ExitedWithCode(0),
              inOrder({"md5 is not the same:", platform::to_utf8(u"微端数据校验失败，请重试")}));
}

TEST_F(PackageStep, MissingPackageWithoutDigestFailsTheCheck) {
  EXPECT_EXIT(install({}), ExitedWithCode(0),
              inOrder({"md5 is not the same:", platform::to_utf8(u"微端数据校验失败，请重试")}));
}

// A digest worked out since the download says nothing once the file has gone.
TEST_F(PackageStep, AKnownDigestDoesNotStandInForAPackageThatHasGone) {
  const FileDigests known{"0123456789ABCDEF0123456789ABCDEF", "", 0};
  EXPECT_EXIT(installDownloadedPackage(launcherFolder(), {u"res.12", u"12"},
                                       {{u"res.12", platform::from_ansi(known.md5)}}, &known, gameName()),
              ExitedWithCode(0),
              inOrder({"md5 is not the same:", platform::to_utf8(u"微端数据校验失败，请重试")}));
}

TEST_F(PackageStep, DamagedArchiveWithoutRunningGameEnds) {
  write_bytes(folder / "res.12", "not an archive");
  EXPECT_EXIT(install(digestOf(u"res.12")), ExitedWithCode(0),
              inOrder({"[ERROR]", "[CWebWindow::UnCompress]>> data assert fail , please relauncher program",
                       box(u"提示", u"检测到微端数据已损坏，请重新安装后尝试")}));
}

TEST_F(PackageStep, RunningGameTheUserKeepsEndsTheLauncher) {
  write_bytes(folder / "res.12", "not an archive");
  std::unique_ptr<GameStandIn> game;
  if (isParent()) game = std::make_unique<GameStandIn>(folder / STAND_IN_NAME);
  EXPECT_EXIT(
      {
        platform::headless::preset_answers({platform::answer_cancel});
        install(digestOf(u"res.12"));
      },
      ExitedWithCode(0),
      inOrder({"data assert fail", box(u"错误提示", u"有另一个游戏实例正在运行，需要关闭才能执行更新，是否强制关闭？")}));
  EXPECT_TRUE(game->running()) << "a refused close leaves the game alone";
}

TEST_F(PackageStep, RunningGameIsClosedAndTheSecondExtractionSucceeds) {
  makeZip(folder / "res.12", package);
  // The game holds res/a.txt (here: a folder in its way) until it ends.
  fs::create_directories(folder / "res" / "a.txt");
  GameStandIn game(folder / STAND_IN_NAME, folder / "res" / "a.txt");
  ASSERT_TRUE(game.running());

  install(digestOf(u"res.12"));

  EXPECT_TRUE(game.waitKilled(10000));
  EXPECT_EQ(testing_support::read_bytes(folder / "res" / "a.txt"), "installed");
  EXPECT_EQ(dlistMap[u"res"], u"12");
  const auto boxes = platform::headless::shown_boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"有另一个游戏实例正在运行，需要关闭才能执行更新，是否强制关闭？");
  EXPECT_EQ(boxes[0].caption, u"错误提示");
  EXPECT_EQ(boxes[0].buttons, platform::box_buttons::ok_cancel);
  EXPECT_EQ(log.lines("ERROR", "CWebWindow::UnCompress", "data assert fail , please relauncher program").size(), 1u);
  EXPECT_TRUE(log.lines("ERROR", "CWebWindow::UnCompress", "ReUnzip fail!").empty());
}

TEST_F(PackageStep, SecondExtractionFailureEnds) {
  std::unique_ptr<GameStandIn> game;
  if (isParent()) {
    makeZip(folder / "res.12", package);
    fs::create_directories(folder / "res" / "a.txt");  // stays in the way after the game is gone
    game = std::make_unique<GameStandIn>(folder / STAND_IN_NAME);
  }
  EXPECT_EXIT(install(digestOf(u"res.12")), ExitedWithCode(0),
              inOrder({"data assert fail", platform::to_utf8(u"有另一个游戏实例正在运行"), "[ERROR]",
                       "[CWebWindow::UnCompress]>> ReUnzip fail!",
                       box(u"错误", u"游戏更新失败，可能数据已经损坏, 建议重新安装微端")}));
  EXPECT_TRUE(game->waitKilled(10000)) << "the launcher closed the game before trying again";
}

}  // namespace
