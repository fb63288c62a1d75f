// callIE through the desktop's handler for addresses: a stand-in for xdg-open found first
// in PATH records what the launcher opened.
#include <cstdlib>
#include <string>

#include "platform/clock.h"
#include "platform/hand_over.h"
#include "support/temp_folder.h"
#include "web_window_fixture.h"

namespace {

using namespace webwindow_testing;
using platform::variant;

struct CallIE : WebWindowTest {
  std::filesystem::path record;
  std::string path;

  void SetUp() override {
    WebWindowTest::SetUp();
    const auto tools = folder.path() / "tools";
    std::filesystem::create_directory(tools);
    std::filesystem::copy_file(RECORD_INVOCATION_PROGRAM, tools / "xdg-open");
    record = folder.path() / "opened.txt";
    setenv("RECORD_INVOCATION_FILE", record.string().c_str(), 1);
    path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (tools.string() + ":" + path).c_str(), 1);
  }
  void TearDown() override {
    setenv("PATH", path.c_str(), 1);
    WebWindowTest::TearDown();
  }
  // What the handler was given, once it has recorded one call.
  std::string opened() const {
    std::string text;
    for (int i = 0; i < 300 && text.find("--") == std::string::npos; ++i) {
      platform::sleep_ms(10);
      text = testing_support::read_bytes(record);
    }
    return text;
  }
};

TEST_F(CallIE, OpensTheAddressFollowedByTheNumberLinksReachUsBy) {
  auto& w = createWindow();
  // With two arguments only the page's last one counts.
  headless::call_external(u"callIE", {variant::text(u"http://a/"), variant::text(u"http://b/?w=")});
  const std::string text = opened();
  const platform::link_number number = w.LinkNumber();
  EXPECT_NE(text.find("arg=http://b/?w=" + std::to_string(number) + "\n"), std::string::npos)
      << text;
  EXPECT_TRUE(platform::hand_over_target_exists(number))
      << "a launch link with that number reaches this launcher";
}

TEST_F(CallIE, OnlyWebAddressesAreOpened) {
  auto& w = createWindow();
  const struct {
    std::u16string address;
    std::string scheme;  // as the ERROR line names it
  } refused[] = {
      {u"file:///etc/passwd", "file"},    {u"  FILE:x", "FILE"},
      {u"javascript:alert(1)", "javascript"}, {u"httpx://a/", "httpx"},
      {u"C:\\Windows\\calc.exe", "C"},    {u"/usr/bin/xterm", "(none)"},
      {u"http//a/", "(none)"},            {u"", "(none)"},
  };
  for (const auto& r : refused) headless::call_external(u"callIE", {variant::text(r.address)});
  headless::call_external(u"callIE", {variant::text(u" \tHtTpS://b/?w=")});
  const std::string text = opened();
  EXPECT_EQ(text.substr(text.find('\n') + 1),
            "arg= \tHtTpS://b/?w=" + std::to_string(w.LinkNumber()) + "\n--\n")
      << "only the web address, as the page gave it";
  const auto errors = linesTagged("ERROR", "CWebWindow::callIE");
  ASSERT_EQ(errors.size(), std::size(refused));
  for (std::size_t i = 0; i < errors.size(); ++i)
    EXPECT_EQ(errors[i], "callIE refused, not an http or https address, scheme: " + refused[i].scheme);
}

// A window the page asks for opens in the player's browser, by the same rule as callIE.
TEST_F(CallIE, NewWindowsOfThePageOpenInThePlayersBrowser) {
  auto& w = createWindow();
  platform::dispatch_params refused;
  refused.rgvarg = {variant::text(u"file:///etc/passwd")};
  w.invoke(platform::dispid_new_window, refused, nullptr);
  platform::dispatch_params web;
  web.rgvarg = {variant::text(u"https://b/news")};
  w.invoke(platform::dispid_new_window, web, nullptr);
  const std::string text = opened();
  EXPECT_EQ(text.substr(text.find('\n') + 1), "arg=https://b/news\n--\n");
  EXPECT_EQ(linesTagged("ERROR", "CWebWindow::Invoke"),
            std::vector<std::string>{"new window refused, not an http or https address, scheme: file"});
}

}  // namespace
