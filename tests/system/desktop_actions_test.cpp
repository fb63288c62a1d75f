#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/headless/headless_desktop.h"
#include "support/loopback_peer.h"
#include "support/temp_folder.h"
#include "system/desktop_actions.h"
#include "system/launch_request_handler.h"
#include "log/recording_sink.h"

namespace {

namespace fs = std::filesystem;
using platform::headless::activation;
using testing_support::read_bytes;
using testing_support::temp_folder;

TEST(FileExists, IsADirectorySearch) {
  temp_folder dir;
  testing_support::write_bytes(dir.path() / "wb.flg", "");
  fs::create_directory(dir.path() / "folder");
  const auto folder = dir.core_folder();
  EXPECT_TRUE(file_exists(folder + u"wb.flg"));
  EXPECT_TRUE(file_exists(folder + u"folder"));
  EXPECT_TRUE(file_exists(folder + u"w?.*"));
  EXPECT_FALSE(file_exists(folder + u"missing"));
  EXPECT_FALSE(file_exists(folder + u"x*"));
  EXPECT_FALSE(file_exists(u""));
  EXPECT_FALSE(file_exists(static_cast<const char16_t*>(nullptr)));
}

struct fake_page {
  platform::hresult answer = platform::s_ok;
  std::vector<std::pair<std::u16string, platform::dispatch_params>> calls;
  page_function_call callable() {
    return [this](std::u16string_view function, const platform::dispatch_params& params,
                  platform::variant*) {
      calls.emplace_back(std::u16string(function), params);
      return answer;
    };
  }
};

TEST(LaunchRequest, AnotherKindOfCopyDataChangesNothing) {
  fake_page page;
  platform::headless::clear_window_activations();
  EXPECT_FALSE(handle_copy_data(4999, u"qzzefa://a/b/1", 7, page.callable()));
  EXPECT_TRUE(page.calls.empty());
  EXPECT_TRUE(platform::headless::window_activations().empty());
}

TEST(LaunchRequest, ThePageReceivesSecondThenFirstAfterTheWindowComesForward) {
  fake_page page;
  recording_sink log;
  platform::headless::clear_window_activations();
  const std::u16string text = u"\"qzzefa://\u7b2c\u4e00/second piece/1\"";
  EXPECT_TRUE(handle_copy_data(5000, text, 7, page.callable()));
  ASSERT_EQ(page.calls.size(), 1u);
  EXPECT_EQ(page.calls[0].first, u"OnCallIE");
  const auto& args = page.calls[0].second.rgvarg;
  ASSERT_EQ(args.size(), 2u);
  // Reverse order: element 0 is the page function's last parameter.
  EXPECT_EQ(args[0].vt, platform::variant_type::bstr);
  EXPECT_EQ(args[0].bstrVal, u"\u7b2c\u4e00");
  EXPECT_EQ(args[1].bstrVal, u"second piece");
  const auto seen = platform::headless::window_activations();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].what, activation::kind::activate);
  EXPECT_EQ(seen[1].what, activation::kind::present);
  EXPECT_EQ(seen[1].window, 7u);
  EXPECT_TRUE(log.lines.empty());
}

TEST(LaunchRequest, AnUnparsedTextStillCallsThePageWithEmptyPieces) {
  fake_page page;
  EXPECT_TRUE(handle_copy_data(5000, u"qzzefa://only/two", 7, page.callable()));
  ASSERT_EQ(page.calls.size(), 1u);
  EXPECT_EQ(page.calls[0].second.rgvarg[0].bstrVal, u"");
  EXPECT_EQ(page.calls[0].second.rgvarg[1].bstrVal, u"");
}

TEST(LaunchRequest, AFailedPageCallIsAnErrorLineThatIsReported) {
  testing_support::loopback_peer report(testing_support::loopback_peer::behaviour::answer_after_zero_byte);
  setenv("LAUNCHER_REPORT_HOST", ("127.0.0.1:" + std::to_string(report.port())).c_str(), 1);
  fake_page page;
  page.answer = platform::disp_e_unknownname;
  recording_sink log;
  EXPECT_TRUE(handle_copy_data(5000, u"qzzefa://a/b/1", 7, page.callable()));
  unsetenv("LAUNCHER_REPORT_HOST");
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0].substr(0, 7), "[ERROR]");
  EXPECT_NE(log.lines[0].find("[Proc]>> call OnCallIE fail"), std::string::npos) << log.lines[0];
  ASSERT_TRUE(report.wait_for_requests(1, 5000));
  EXPECT_NE(report.received()[0].find("record_error.php?msg="), std::string::npos);
}

}  // namespace
