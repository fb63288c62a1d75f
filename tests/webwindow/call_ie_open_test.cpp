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

using ScriptBridge = WebWindowTest;

TEST_F(ScriptBridge, CallIEOpensTheAddressFollowedByTheNumberLinksReachUsBy) {
  auto& w = createWindow();
  const auto tools = folder.path() / "tools";
  std::filesystem::create_directory(tools);
  std::filesystem::copy_file(RECORD_INVOCATION_PROGRAM, tools / "xdg-open");
  const auto record = folder.path() / "opened.txt";
  setenv("RECORD_INVOCATION_FILE", record.string().c_str(), 1);
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (tools.string() + ":" + path).c_str(), 1);

  // With two arguments only the page's last one counts.
  headless::call_external(u"callIE", {variant::text(u"http://a/"), variant::text(u"http://b/?w=")});
  setenv("PATH", path.c_str(), 1);
  std::string opened;
  for (int i = 0; i < 300 && opened.find("--") == std::string::npos; ++i) {
    platform::sleep_ms(10);
    opened = testing_support::read_bytes(record);
  }
  const platform::link_number number = w.LinkNumber();
  EXPECT_NE(opened.find("arg=http://b/?w=" + std::to_string(number) + "\n"), std::string::npos)
      << opened;
  EXPECT_TRUE(platform::hand_over_target_exists(number))
      << "a launch link with that number reaches this launcher";
}

}  // namespace
