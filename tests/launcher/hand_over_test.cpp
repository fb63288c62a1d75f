// A second start of the real launcher handing its command line to a running receiver.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>

#include "launcher/hand_over.h"
#include "platform/hand_over.h"
#include "platform/headless/headless_desktop.h"
#include "platform/text.h"
#include "support/child_program.h"
#include "support/temp_folder.h"
#include "system/launch_request_handler.h"

namespace {

namespace fs = std::filesystem;
using testing_support::child_result;
using testing_support::temp_folder;

struct SecondStart : ::testing::Test {
  temp_folder dir;
  fs::path program = dir.path() / fs::path(LAUNCHER_PROGRAM).filename();
  std::string program_name = program.filename().string();
  void SetUp() override { fs::copy_file(LAUNCHER_PROGRAM, program); }

  // Runs the launcher with one argument while this thread keeps the event loop going, so a
  // receiver here can answer it.
  child_result start(const std::string& argument) {
    auto child = std::async(std::launch::async, [&] {
      return testing_support::run_child(program, {argument}, dir.path(),
                                        {{"LAUNCHER_REPORT_HOST", "127.0.0.1:1"}}, 20000);
    });
    while (child.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
      platform::headless::run_for(20);
    return child.get();
  }

  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

struct recorded_call {
  std::u16string function;
  std::vector<std::u16string> arguments;
};

TEST_F(SecondStart, ALinkToTheRunningLauncherReachesItsPageAndLeavesNoTrace) {
  const auto window = platform::create_message_window(
      [](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; });
  std::vector<platform::copy_data> received;
  std::vector<recorded_call> page_calls;
  const page_function_call page = [&](std::u16string_view function,
                                      const platform::dispatch_params& params, platform::variant*) {
    recorded_call call{std::u16string(function), {}};
    for (const auto& argument : params.rgvarg) call.arguments.push_back(argument.bstrVal);
    page_calls.push_back(call);
    return platform::s_ok;
  };
  auto listener = platform::listen_for_hand_over(window, [&](const platform::copy_data& d) {
    received.push_back(d);
    handle_copy_data(d.dwData, d.text, window, page);
  });
  ASSERT_TRUE(listener);
  const std::string number = std::to_string(listener->number());

  // Arguments of a child are in the system's narrow encoding (GBK under Windows here).
  const auto result = start(platform::to_ansi(
      platform::from_utf8("qzzefa://account 1/\xE7\x99\xBB\xE5\xBD\x95/" + number)));
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(result.output, "") << "no message box";
  ASSERT_EQ(received.size(), 1u) << "handled before the second start ended";
  EXPECT_EQ(received[0].dwData, 5000u);
  // The whole command line as the program received it, quoted because of the blank.
  EXPECT_EQ(received[0].text, platform::from_utf8("\"qzzefa://account 1/\xE7\x99\xBB\xE5\xBD\x95/" +
                                                  number + "\""));
  ASSERT_EQ(page_calls.size(), 1u);
  EXPECT_EQ(page_calls[0].function, u"OnCallIE");
  // Reverse order: the page's first parameter is the second piece.
  EXPECT_EQ(page_calls[0].arguments,
            (std::vector<std::u16string>{u"account 1", platform::from_utf8("\xE7\x99\xBB\xE5\xBD\x95")}));
  EXPECT_EQ(files(), std::vector<std::string>{program_name}) << "no log, no records";
}

TEST_F(SecondStart, TheWebWindowsReceiverBringsItForwardAndCallsThePage) {
  const auto window = platform::create_message_window(
      [](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; });
  std::vector<std::vector<std::u16string>> calls;
  auto receiver = launch_link_receiver::start(
      window, [&](std::u16string_view function, const platform::dispatch_params& params,
                  platform::variant*) {
        if (function != u"OnCallIE") return platform::disp_e_unknownname;
        calls.push_back({params.rgvarg[0].bstrVal, params.rgvarg[1].bstrVal});
        return platform::s_ok;
      });
  ASSERT_TRUE(receiver);
  platform::headless::clear_window_activations();
  const auto result = start("qzzefa://p/q/" + std::to_string(receiver->number()));
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(calls, (std::vector<std::vector<std::u16string>>{{u"p", u"q"}}));
  const auto seen = platform::headless::window_activations();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().window, window);
}

TEST_F(SecondStart, ALinkNamingNoRunningLauncherShowsTheErrorBoxAndEnds) {
  for (const std::string link : {"qzzefa://a/b/2147480000", "qzzefa://a/b", "x qzzefa y"}) {
    const auto result = start(link);
    EXPECT_EQ(result.exit_code, 0) << link;
    EXPECT_NE(result.output.find("message box [\xE9\x94\x99\xE8\xAF\xAF] "
                                 "\xE7\xAA\x97\xE5\x8F\xA3\xE5\x8F\x82\xE6\x95\xB0\xE6\x97\xA0\xE6\x95\x88"),
              std::string::npos)
        << link << ": " << result.output;
    EXPECT_EQ(files(), std::vector<std::string>{program_name}) << link;
  }
}

TEST_F(SecondStart, TheTokenInCapitalsStartsANormalLauncherEvenWhileOneListens) {
  const auto window = platform::create_message_window(
      [](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; });
  std::vector<platform::copy_data> received;
  auto listener = platform::listen_for_hand_over(
      window, [&](const platform::copy_data& d) { received.push_back(d); });
  ASSERT_TRUE(listener);
  const auto result = start("QZZEFA://a/b/" + std::to_string(listener->number()));
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_TRUE(fs::exists(dir.path() / "zefa_wd_run.log.1")) << result.output;
  EXPECT_TRUE(received.empty());
}

TEST(HandOver, OnlyTheLowerCaseTokenTakesOver) {
  platform::headless::clear_shown_boxes();
  EXPECT_FALSE(launcher::handOverCommandLine(u""));
  EXPECT_FALSE(launcher::handOverCommandLine(u"QZZEFA://a/b/1"));
  EXPECT_TRUE(platform::headless::shown_boxes().empty());
  EXPECT_TRUE(launcher::handOverCommandLine(u"--qzzefa"));
  const auto boxes = platform::headless::shown_boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"\u7a97\u53e3\u53c2\u6570\u65e0\u6548");
  EXPECT_EQ(boxes[0].caption, u"\u9519\u8bef");
  EXPECT_EQ(boxes[0].owner, 0u);
}

}  // namespace
