#include <gtest/gtest.h>

#include <regex>

#include "log/log_manager.h"
#include "log/log_owner.h"
#include "log/recording_sink.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/temp_folder.h"
#include "support/text_file.h"

namespace {

struct LogLine : ::testing::Test {
  void SetUp() override {
    setenv("LAUNCHER_REPORT_HOST", "127.0.0.1:1", 1);  // nothing listens: reports fail at once
    log_manager::instance().set_threshold(LOG_DEBUG);
  }
  void TearDown() override { log_manager::instance().set_threshold(LOG_ERROR); }
};

TEST_F(LogLine, HasTheFixedLayout) {
  recording_sink sink;
  LOG_LINE(LOG_INFO, "ThreadProc") << "Redownload, start pos=" << 1024;
  ASSERT_EQ(sink.lines.size(), 1u);
  const std::regex layout(R"(\[INFO \]\[(\d+)\]\[\d{6} \d{6}'\d{3}\] \[ThreadProc\]>> Redownload, start pos=1024)");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(sink.lines[0], m, layout)) << sink.lines[0];
  EXPECT_EQ(std::stoul(m[1]), platform::current_thread_id());
}

TEST_F(LogLine, EachLevelHasItsSevenCharacterTag) {
  recording_sink sink;
  LOG_LINE(LOG_DEBUG, "t") << "d";
  LOG_LINE(LOG_INFO, "t") << "i";
  LOG_LINE(LOG_WARN, "t") << "w";
  LOG_LINE(LOG_ERROR, "t") << "e";
  LOG_LINE(7, "t") << "beyond";
  ASSERT_EQ(sink.lines.size(), 5u);
  const char* tags[] = {"[DEBUG]", "[INFO ]", "[WARN ]", "[ERROR]", "[ERROR]"};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(sink.lines[i].substr(0, 7), tags[i]);
}

TEST_F(LogLine, ALineThatChangesTheNumberFormatLeavesTheNextLineDecimal) {
  recording_sink sink;
  LOG_LINE(LOG_INFO, "t") << std::hex << 255;
  LOG_LINE(LOG_INFO, "t") << 255;
  ASSERT_EQ(sink.lines.size(), 2u);
  EXPECT_NE(sink.lines[0].find(">> ff"), std::string::npos);
  EXPECT_NE(sink.lines[1].find(">> 255"), std::string::npos) << sink.lines[1];
}

TEST_F(LogLine, TimestampIsTwoDigitYearMonthDayTimeAndMilliseconds) {
  const std::string stamp = log_timestamp();
  ASSERT_TRUE(std::regex_match(stamp, std::regex(R"(\d{6} \d{6}'\d{3})"))) << stamp;
  const auto now = platform::now_local();
  EXPECT_EQ(std::stoi(stamp.substr(0, 2)), now.year % 100);
}

TEST_F(LogLine, ThresholdFiltersWithoutFormattingAndIsClamped) {
  recording_sink sink;
  int formatted = 0;
  auto count = [&formatted] { return ++formatted; };
  auto& manager = log_manager::instance();
  manager.set_threshold(LOG_WARN);
  LOG_LINE(LOG_INFO, "t") << count();
  EXPECT_EQ(formatted, 0) << "a disabled level must not format its message";
  LOG_LINE(LOG_WARN, "t") << count();
  EXPECT_EQ(formatted, 1);
  manager.set_threshold(7);
  EXPECT_FALSE(manager.is_enabled(LOG_WARN));
  EXPECT_TRUE(manager.is_enabled(LOG_ERROR));
  manager.set_threshold(0);
  EXPECT_TRUE(manager.is_enabled(LOG_DEBUG));
  EXPECT_EQ(sink.lines.size(), 1u);
}

TEST_F(LogLine, OwnerWritesEveryLineToTheLiveFileOnce) {
  testing_support::temp_folder dir;
  const std::string base = (dir.path() / "run.log").string();
  {
    log_owner owner;
    ASSERT_TRUE(owner.init(LOG_DEBUG, LOG_SINK_FILE, base, 5, 5, false));
    LOG_LINE(LOG_INFO, "t") << "first";
    LOG_LINE(LOG_INFO, "t") << "second\n";
  }
  LOG_LINE(LOG_INFO, "t") << "after the owner is gone";
  const std::string text = testing_support::read_text(base + ".1");
  EXPECT_NE(text.find("]>> first\n["), std::string::npos) << text;
  EXPECT_EQ(text.size() - text.rfind("second\n"), 7u) << "no second line break";
  EXPECT_EQ(text.find("after"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(base));
}

TEST_F(LogLine, InitFailuresPrintAndAttachNothing) {
  testing_support::temp_folder dir;
  log_owner owner;
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(owner.init(LOG_DEBUG, 3, (dir.path() / "x.log").string(), 5, 5, false));
  EXPECT_FALSE(owner.init(LOG_DEBUG, LOG_SINK_FILE, (dir.path() / "no" / "x.log").string(), 5, 5, false));
  EXPECT_FALSE(owner.init(LOG_DEBUG, LOG_SINK_NONE, "", 5, 5, false));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "log init fail!\nlog init fail!\n");
}

TEST_F(LogLine, EchoWritesTheLineToStandardOutput) {
  log_owner owner;
  owner.init(LOG_DEBUG, LOG_SINK_NONE, "", 5, 5, true);
  ::testing::internal::CaptureStdout();
  LOG_LINE(LOG_INFO, "echo") << "seen";
  const std::string out = ::testing::internal::GetCapturedStdout();
  owner.init(LOG_DEBUG, LOG_SINK_NONE, "", 5, 5, false);
  EXPECT_NE(out.find("[echo]>> seen\n"), std::string::npos) << out;
}

// The log path is narrow text in the ANSI code page (GBK on Windows); a Chinese folder name
// must still lead to the right folder, and Chinese message text arrives unchanged.
TEST_F(LogLine, AChineseLogFolderTakesTheLog) {
  testing_support::temp_folder dir;
  ASSERT_TRUE(platform::create_directory(dir.core_folder() + u"日志"));
  const std::string base = platform::to_ansi(dir.core_folder() + u"日志\\run.log");
  {
    log_owner owner;
    ASSERT_TRUE(owner.init(LOG_DEBUG, LOG_SINK_FILE, base, 5, 5, false));
    LOG_LINE(LOG_INFO, "wWinMain") << "微端启动, 版本:" << "V7.0";
  }
  const auto text = platform::read_file(dir.core_folder() + u"日志\\run.log.1", 4096);
  ASSERT_TRUE(text.has_value());
  EXPECT_NE(text->find("[wWinMain]>> " + platform::to_ansi(u"微端启动, 版本:V7.0")), std::string::npos)
      << *text;
}

}  // namespace
