// The real launcher program started in a fresh folder, as a player would start it.
#include <gtest/gtest.h>

#include <sstream>

#include "support/child_program.h"
#include "support/start_record.h"
#include "support/temp_folder.h"
#include "support/text_file.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_bytes;
using testing_support::read_text;
using testing_support::temp_folder;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string message_of(const std::string& line) {
  const auto marker = line.find("]>> ");
  return marker == std::string::npos ? line : line.substr(line.find("] [") + 2);
}

struct Startup : ::testing::Test {
  temp_folder dir;
  fs::path program = dir.path() / fs::path(LAUNCHER_PROGRAM).filename();

  void SetUp() override { fs::copy_file(LAUNCHER_PROGRAM, program); }

  testing_support::child_result run() {
    return testing_support::run_child(
        program, {}, dir.path(),
        {{"LAUNCHER_REPORT_HOST", "127.0.0.1:1"},
         {"RECORD_INVOCATION_FILE", (dir.path() / "invocations.txt").string()}});
  }
};

TEST_F(Startup, AFirstRunWritesTheLogTheMarkerAndAnEmptyList) {
  const auto result = run();
  ASSERT_EQ(result.exit_code, 0) << result.output;
  const auto lines = lines_of(read_text(dir.path() / "zefa_wd_run.log.1"));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(0, 7), "[INFO ]");
  EXPECT_EQ(message_of(lines[0]), "[wWinMain]>> 微端启动, 版本:V7.0");
  EXPECT_EQ(message_of(lines[1]), "[wWinMain]>> 日志初始化完成");
  EXPECT_EQ(message_of(lines[2]), "[checkVerFileExist]>> VerFile not exist, create it");
  EXPECT_EQ(message_of(lines.back()), "[wWinMain]>> 程序准备退出");
  EXPECT_EQ(read_bytes(dir.path() / "wdver.V7.0"), std::string("v\0", 2));
  EXPECT_EQ(read_bytes(dir.path() / "dlist"), std::string("|\0|\0", 4));
  EXPECT_FALSE(fs::exists(dir.path() / "invocations.txt"));

  ASSERT_EQ(run().exit_code, 0);
  const auto second = lines_of(read_text(dir.path() / "zefa_wd_run.log.1"));
  EXPECT_EQ(second.size(), lines.size() * 2 - 1) << "the marker exists now: no creation line";
}

TEST_F(Startup, BothUpdaterFilesStartTheUpdaterAfterTheListIsSaved) {
  fs::copy_file(RECORD_INVOCATION_PROGRAM, dir.path() / "zefaud.exe");
  fs::create_directory(dir.path() / "launcher_ud");  // a folder counts as well as a file
  ASSERT_EQ(run().exit_code, 0);
  ASSERT_TRUE(testing_support::wait_for_starts(dir.path() / "invocations.txt"));
  const auto calls = lines_of(read_bytes(dir.path() / "invocations.txt"));
  const std::vector<std::string> expected{"cwd=" + dir.path().string(), "--"};
  EXPECT_EQ(calls, expected) << "no arguments, started in the launcher folder";
  const auto log = lines_of(read_text(dir.path() / "zefa_wd_run.log.1"));
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(message_of(log[log.size() - 3]), "[wWinMain]>> 执行更新操作");
  EXPECT_EQ(message_of(log[log.size() - 2]), "[CWebWindow::Exec]>> 执行命令");
  EXPECT_EQ(message_of(log.back()), "[wWinMain]>> 程序准备退出");
}

TEST_F(Startup, OneUpdaterFileAloneStartsNothing) {
  for (const char* present : {"zefaud.exe", "launcher_ud"}) {
    if (std::string(present) == "zefaud.exe") {
      fs::copy_file(RECORD_INVOCATION_PROGRAM, dir.path() / present);
    } else {
      fs::remove(dir.path() / "zefaud.exe");
      testing_support::write_bytes(dir.path() / present, "");
    }
    ASSERT_EQ(run().exit_code, 0);
    const std::string log = read_bytes(dir.path() / "zefa_wd_run.log.1");
    EXPECT_EQ(log.find("执行更新操作"), std::string::npos) << present;
    EXPECT_FALSE(fs::exists(dir.path() / "invocations.txt")) << present;
  }
}

// A launcher installed in a folder whose name the ANSI code page cannot hold (Korean on a
// Chinese Windows) still writes its log there and still finds and starts the updater.
TEST_F(Startup, AFolderOutsideTheCodePageKeepsTheLogAndTheUpdater) {
  const fs::path folder = dir.path() / fs::path(u"게임 폴더");
  fs::create_directory(folder);
  const fs::path inside = folder / program.filename();
  fs::copy_file(program, inside);
  fs::copy_file(RECORD_INVOCATION_PROGRAM, folder / "zefaud.exe");
  fs::create_directory(folder / "launcher_ud");
  const auto result = testing_support::run_child(
      inside, {}, folder,
      {{"LAUNCHER_REPORT_HOST", "127.0.0.1:1"},
       {"RECORD_INVOCATION_FILE", (dir.path() / "invocations.txt").string()}});
  ASSERT_EQ(result.exit_code, 0) << result.output;
  const auto log = lines_of(read_text(folder / "zefa_wd_run.log.1"));
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(message_of(log[0]), "[wWinMain]>> 微端启动, 版本:V7.0");
  EXPECT_EQ(message_of(log[log.size() - 3]), "[wWinMain]>> 执行更新操作");
  EXPECT_TRUE(testing_support::wait_for_starts(dir.path() / "invocations.txt"))
      << "the updater ran";
}

}  // namespace
