// entryGame: the parameter file, old files pruned, the game started and the loop left.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/clock.h"
#include "support/start_record.h"
#include "web_window_fixture.h"

namespace {

using namespace webwindow_testing;
using platform::variant;
using testing_support::read_bytes;
using testing_support::write_bytes;
namespace fs = std::filesystem;

struct GameLaunch : WebWindowTest {
  fs::path record;

  void SetUp() override {
    WebWindowTest::SetUp();
    fs::copy_file(RECORD_INVOCATION_PROGRAM, folder.path() / "game.exe");
    record = folder.path() / "invocation.txt";
    setenv("RECORD_INVOCATION_FILE", record.string().c_str(), 1);
    createWindow();
  }

  // Waits for the game's record and for the launcher's quit message.
  std::vector<std::string> gameRecord() {
    const bool quit = headless::run_for(200);
    EXPECT_TRUE(quit) << "entryGame leaves the message loop";
    EXPECT_TRUE(testing_support::wait_for_starts(record)) << "the game started";
    std::vector<std::string> lines;
    std::istringstream in(read_bytes(record));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  std::vector<std::string> paramFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path()))
      if (entry.path().filename().string().rfind("param.", 0) == 0)
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(GameLaunch, OneArgumentStartsTheGameWithTheWorkArea) {
  headless::call_external(u"entryGame", {variant::text(u"t")});
  const auto lines = gameRecord();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "cwd=" + fs::canonical(folder.path()).string());
  EXPECT_EQ(lines[1], "arg=t|1860|960");
  EXPECT_TRUE(paramFiles().empty());
  EXPECT_EQ(window->gameCommandLine(u"t", u""), folder.core_folder() + u"game.exe \"t|1860|960\"");
}

TEST_F(GameLaunch, TwoArgumentsWriteTheParameterFileAndNameIt) {
  headless::set_work_area({100, 20, 1380, 800});
  headless::call_external(u"entryGame", {variant::text(u"中文参数 x"), variant::text(u"role 7")});
  const auto lines = gameRecord();
  const auto files = paramFiles();
  ASSERT_EQ(files.size(), 1u);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "arg=role 7|1220|700|" + files[0]) << "a quoted argument stays whole";
  EXPECT_EQ(read_bytes(folder.path() / files[0]), utf8(u"中文参数 x"));
  const auto stamp = std::stoll(files[0].substr(6));
  EXPECT_LE(std::llabs(stamp - platform::unix_time()), 5);
  EXPECT_TRUE(headless::shown_boxes().empty());
}

TEST_F(GameLaunch, AnEmptyParameterTextIsReportedAndTheGameStillStarts) {
  headless::call_external(u"entryGame", {variant::text(u""), variant::text(u"t")});
  const auto lines = gameRecord();
  const auto files = paramFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(read_bytes(folder.path() / files[0]), "");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "arg=t|1860|960|" + files[0]);
  const auto boxes = headless::shown_boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"输出param文件失败");
  EXPECT_EQ(boxes[0].caption, u"提示");
  EXPECT_EQ(linesTagged("ERROR", "CWebWindow::entryGame"),
            std::vector<std::string>{"output param file error, len = 0;"});
}

TEST_F(GameLaunch, OldParameterFilesArePrunedByTheNumberInTheirName) {
  // The boundary cases need the launcher's clock to read the same second as ours.
  for (int attempt = 0; attempt < 5; ++attempt) {
    for (const auto& name : paramFiles()) fs::remove_all(folder.path() / name);
    fs::remove(folder.path() / "PARAM.1");
    const std::int64_t now = platform::unix_time();
    const std::string boundary = "param." + std::to_string(now - 259200);
    const std::string older = "param." + std::to_string(now - 259201);
    const std::string future = "param." + std::to_string(now + 100000);
    for (const auto& name : {boundary, older, future, std::string("param.abc"),
                             std::string("PARAM.1"), std::string("param.12x")})
      write_bytes(folder.path() / name, "old");
    // A folder of another number than PARAM.1: names differ only in case on no Windows disk.
    fs::create_directory(folder.path() / "param.2");
    window->removeOldParamFile();
    if (platform::unix_time() != now) continue;
    EXPECT_TRUE(fs::exists(folder.path() / boundary)) << "exactly 259200 s old stays";
    EXPECT_FALSE(fs::exists(folder.path() / older));
    EXPECT_TRUE(fs::exists(folder.path() / future));
    EXPECT_FALSE(fs::exists(folder.path() / "param.abc")) << "no number reads as 0";
    EXPECT_FALSE(fs::exists(folder.path() / "param.12x"));
    EXPECT_TRUE(fs::is_directory(folder.path() / "param.2"));
    EXPECT_TRUE(fs::exists(folder.path() / "PARAM.1"));
    EXPECT_EQ(linesTagged("DEBUG", "CWebWindow::removeOldParamFile").back(),
              "移除过旧的param文件");
    return;
  }
  FAIL() << "the clock kept moving across every attempt";
}

TEST_F(GameLaunch, OnlyALaunchWithParameterTextPrunes) {
  write_bytes(folder.path() / "param.5", "old");
  headless::call_external(u"entryGame", {variant::text(u"t")});
  gameRecord();
  EXPECT_TRUE(fs::exists(folder.path() / "param.5"));
}

TEST_F(GameLaunch, CallsWithoutTextArgumentsAreRefused) {
  const std::vector<std::vector<variant>> refused = {
      {}, {variant::number(1)}, {variant::number(1), variant::text(u"t")}};
  for (const auto& arguments : refused) headless::call_external(u"entryGame", arguments);
  EXPECT_FALSE(headless::run_for(100)) << "no launch, the loop goes on";
  EXPECT_EQ(linesTagged("ERROR", "CWebWindow::entryGame").size(), refused.size());
  EXPECT_TRUE(paramFiles().empty());
  EXPECT_FALSE(fs::exists(record));
}

TEST_F(GameLaunch, AParameterFileThatCannotBeCreatedEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::int64_t now = platform::unix_time();
  for (std::int64_t s = now; s < now + 30; ++s)
    fs::create_directory(folder.path() / ("param." + std::to_string(s)));
  EXPECT_EXIT(headless::call_external(u"entryGame", {variant::text(u"p"), variant::text(u"t")}),
              ::testing::ExitedWithCode(0), utf8(u"启动游戏失败,可能游戏数据已损坏，请从新安装微端"));
  EXPECT_FALSE(fs::exists(record)) << "the game is not started";
}

TEST_F(GameLaunch, AGameThatCannotStartIsLoggedWithTheReasonAndTheRunEnds) {
  fs::remove(folder.path() / "game.exe");
  headless::call_external(u"entryGame", {variant::text(u"t")});
  EXPECT_TRUE(headless::run_for(200)) << "the loop is left as after a start";
  const auto errors = linesTagged("ERROR", "CWebWindow::Exec");
  ASSERT_EQ(errors.size(), 1u);
  const std::string prefix = "program start fail: ";
  EXPECT_EQ(errors[0].rfind(prefix, 0), 0u) << errors[0];
  EXPECT_GT(errors[0].size(), prefix.size()) << "the system's reason follows";
}

TEST(ToUtf8ViaAnsi, SizesAndBuffers) {
  char buffer[16];
  EXPECT_EQ(toUtf8ViaAnsi(nullptr, buffer, sizeof buffer), 0);
  EXPECT_EQ(toUtf8ViaAnsi("abc", nullptr, 0), 4) << "the size needed counts the zero";
  EXPECT_EQ(toUtf8ViaAnsi("中", nullptr, 0), 4);
  EXPECT_EQ(toUtf8ViaAnsi("中", buffer, 4), 3);
  EXPECT_EQ(std::string(buffer), utf8(u"中")) << "from the ANSI code page to UTF-8";
  EXPECT_EQ(toUtf8ViaAnsi("中", buffer, 3), 0) << "no room for the zero";
  EXPECT_EQ(toUtf8ViaAnsi("", buffer, 1), 0);
}

}  // namespace
