// The IE browser host in a real window. Wine has no HTML engine here, so what can be shown is
// the failure path: creating, navigating to a loopback portal and calling the page must neither
// hang nor crash nor report success, and a browser that cannot be had leaves nothing behind.
#include <gtest/gtest.h>

#include <ole2.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/browser_host.h"
#include "platform/text.h"
#include "support/temp_folder.h"
#include "support/test_server.h"
#include "support/win32/test_popup.h"
#include "support/win32/message_pump.h"

namespace {

struct recording_dispatch : platform::script_dispatch {
  std::vector<std::int32_t> invoked;
  std::int32_t get_id_of_name(std::u16string_view) override { return 0; }
  platform::hresult invoke(std::int32_t id, platform::dispatch_params&, platform::variant*) override {
    invoked.push_back(id);
    return platform::s_ok;
  }
};

int child_windows_of(HWND parent) {
  int count = 0;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    count += 1;
  return count;
}

struct BrowserHostTest : ::testing::Test {
  HWND webWindow = nullptr;
  recording_dispatch external;

  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    webWindow = testing_support::create_test_popup(
        L"browserTestWindow", DefWindowProcW, WS_VISIBLE, 587, 319);
    ASSERT_NE(webWindow, nullptr);
  }
  void TearDown() override {
    if (webWindow) DestroyWindow(webWindow);
    testing_support::pump_for(50);
    OleUninitialize();
  }
  platform::window_handle handle() const { return reinterpret_cast<platform::window_handle>(webWindow); }
};

HWND control_host_of(HWND webWindow) {
  return FindWindowExW(webWindow, nullptr, L"AtlAxWin80", nullptr);
}

TEST_F(BrowserHostTest, NavigationWithoutAnHtmlEngineFailsQuietly) {
  testing_support::temp_folder root;
  std::filesystem::create_directories(root.path() / "portal");
  std::ofstream(root.path() / "portal" / "index.html")
      << "<html><script>function JsUpdateGame(n) {}</script></html>";
  testing_support::test_server server(root.path());
  ASSERT_TRUE(server.running());

  auto host = platform::create_browser_host(handle(), external);
  ASSERT_NE(host, nullptr) << "the system gives a browser control even without an HTML engine";
  const HWND controlHost = control_host_of(webWindow);
  ASSERT_NE(controlHost, nullptr);
  RECT area{};
  GetClientRect(controlHost, &area);
  EXPECT_EQ(area.right - area.left, 587);
  EXPECT_EQ(area.bottom - area.top, 319);
  host->focus();
  // The control host passes the focus on to the browser's own window, as a container does, so
  // typing reaches the page before anyone clicks into it.
  const HWND focused = GetFocus();
  EXPECT_NE(focused, controlHost);
  EXPECT_TRUE(IsChild(controlHost, focused));

  const std::string address = server.base_url() + "/portal/index.html?version=2&appver=7&ly=halvor";
  host->navigate(platform::from_utf8(address));
  // The address is really fetched from the loopback portal ...
  ASSERT_TRUE(server.wait_for_requests(1, 10000));
  EXPECT_EQ(server.requests()[0].rfind("GET /portal/index.html?version=2&appver=7&ly=halvor HTTP/1.1\r\n", 0), 0u)
      << server.requests()[0];
  testing_support::pump_for(2000);
  // ... but no document comes of it: the launcher is never told of one and cannot call the page.
  EXPECT_TRUE(external.invoked.empty());
  platform::dispatch_params args;
  args.rgvarg.push_back(platform::variant::number(0));
  platform::variant result;
  const platform::hresult outcome = host->call_script(u"JsUpdateGame", args, &result);
  EXPECT_NE(outcome, platform::s_ok);
  EXPECT_LT(outcome, 0) << "a failure, not another success code";
  EXPECT_EQ(result.vt, platform::variant_type::empty);
  EXPECT_EQ(platform::to_utf8(host->location_url()), address);
}

TEST_F(BrowserHostTest, ScriptCallsBeforeAnyPageFail) {
  auto host = platform::create_browser_host(handle(), external);
  ASSERT_NE(host, nullptr);
  platform::variant result;
  EXPECT_LT(host->call_script(u"OnCallIE", {}, &result), 0);
  EXPECT_LT(host->call_script(u"", {}, nullptr), 0);
  (void)host->location_url();
  testing_support::pump_for(200);
  EXPECT_TRUE(external.invoked.empty());
}

TEST_F(BrowserHostTest, TheHostLeavesNothingBehind) {
  auto host = platform::create_browser_host(handle(), external);
  ASSERT_NE(host, nullptr);
  host->navigate(u"http://127.0.0.1:1/unreachable");
  testing_support::pump_for(300);
  host.reset();
  EXPECT_EQ(child_windows_of(webWindow), 0);
  // Late work of the control after its end must not reach the launcher.
  testing_support::pump_for(500);
  EXPECT_TRUE(external.invoked.empty());

  // A second browser in the same window works as the first.
  host = platform::create_browser_host(handle(), external);
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(child_windows_of(webWindow), 1);
}

TEST_F(BrowserHostTest, NoWindowGivesNoBrowser) {
  EXPECT_EQ(platform::create_browser_host(0, external), nullptr);
  DestroyWindow(webWindow);
  const auto gone = handle();
  webWindow = nullptr;
  EXPECT_EQ(platform::create_browser_host(gone, external), nullptr);
}

// Without a single-threaded apartment and OLE on the thread the control is not made, and the
// reason says so: no COM at all, the multi-threaded apartment, COM without OLE.
TEST(BrowserHostWithoutApartment, CreationFailsSaysWhyAndCleansUp) {
  const HWND window = testing_support::create_test_popup(
      L"browserTestBareWindow", DefWindowProcW, 0, 100, 100);
  ASSERT_NE(window, nullptr);
  recording_dispatch external;
  const auto handle = reinterpret_cast<platform::window_handle>(window);
  std::string failure;
  EXPECT_EQ(platform::create_browser_host(handle, external, &failure), nullptr);
  EXPECT_NE(failure.find("apartment"), std::string::npos) << failure;

  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
  failure.clear();
  EXPECT_EQ(platform::create_browser_host(handle, external, &failure), nullptr);
  EXPECT_NE(failure.find("not in a single-threaded apartment"), std::string::npos) << failure;
  CoUninitialize();

  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  failure.clear();
  EXPECT_EQ(platform::create_browser_host(handle, external, &failure), nullptr);
  EXPECT_NE(failure.find("OLE is not initialised"), std::string::npos) << failure;
  CoUninitialize();
  EXPECT_EQ(child_windows_of(window), 0);
  DestroyWindow(window);
}

}  // namespace
