// What reaches the Win32 desktop's windows from outside: WM_COPYDATA at the web window, sent
// as a second start sends it, and message boxes asked for by a worker thread.
#include <gtest/gtest.h>

#include <ole2.h>
#include <windows.h>

#include <future>
#include <string>

#include "platform/browser_host.h"
#include "platform/hand_over.h"
#include "platform/message_box.h"
#include "platform/skin_surface.h"
#include "ui/skin_window.h"
#include "ui/win32/desktop_test_window.h"

namespace {

using testing_support::patience_ms;
using testing_support::pump_until;
using testing_support::pump_until_ready;

HWND hwnd(platform::window_handle window) { return reinterpret_cast<HWND>(window); }

struct WebWindow : ::testing::Test {
  ui::skin_window skin;
  platform::window_handle web = 0;
  std::vector<platform::copy_data> at_procedure;

  void SetUp() override {
    ASSERT_TRUE(skin.create([this](platform::window_handle launcher) {
      web = platform::create_child_window(
          launcher, 389, 273, 587, 319,
          [this](std::uint32_t message, std::uintptr_t, std::intptr_t lparam) {
            if (message == platform::message_copy_data)
              at_procedure.push_back(*reinterpret_cast<const platform::copy_data*>(lparam));
            return std::intptr_t{0};
          });
      return web != 0;
    }));
  }
  void TearDown() override {
    DestroyWindow(hwnd(skin.handle()));
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  // SendMessageW from another thread, as another process would, while this thread runs its
  // messages; the receiver's answer.
  LRESULT send(HWND target, ULONG_PTR kind, const std::u16string& text) {
    COPYDATASTRUCT data{kind, static_cast<DWORD>(text.size() * 2),
                        const_cast<char16_t*>(text.data())};
    auto answer = std::async(std::launch::async, [&] {
      return SendMessageW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    });
    EXPECT_TRUE(pump_until_ready(answer)) << "no answer to the message";
    return answer.get();
  }
};

TEST_F(WebWindow, CopyDataReachesItsProcedureAsText) {
  send(hwnd(web), 5000, u"qzzefa://a/b/1");
  send(hwnd(web), 4999, u"");
  ASSERT_EQ(at_procedure.size(), 2u);
  EXPECT_EQ(at_procedure[0].dwData, 5000u);
  EXPECT_EQ(at_procedure[0].text, u"qzzefa://a/b/1");
  EXPECT_EQ(at_procedure[1].dwData, 4999u);
  EXPECT_EQ(at_procedure[1].text, u"");
}

TEST_F(WebWindow, ALauncherListeningOnItIsNamedByTheWebWindowItself) {
  std::vector<platform::copy_data> at_listener;
  auto listener = platform::listen_for_hand_over(
      web, [&](const platform::copy_data& request) { at_listener.push_back(request); });
  ASSERT_TRUE(listener);
  EXPECT_EQ(listener->number(), static_cast<platform::link_number>(web))
      << "launch links carry the web window's handle";
  EXPECT_TRUE(platform::hand_over_target_exists(listener->number()));
  EXPECT_EQ(send(hwnd(web), 5000, u"qzzefa://x/y/2"), TRUE);
  ASSERT_EQ(at_listener.size(), 1u);
  EXPECT_EQ(at_listener[0].text, u"qzzefa://x/y/2");
  EXPECT_TRUE(at_procedure.empty()) << "handled once, by the listener";

  // The sender's own call, with its wait, reaches it too.
  auto sent = std::async(std::launch::async, [&] {
    return platform::send_hand_over(listener->number(), {5000, u"qzzefa://p/q/3"}, 5000);
  });
  ASSERT_TRUE(pump_until_ready(sent));
  EXPECT_TRUE(sent.get());
  ASSERT_EQ(at_listener.size(), 2u);
  EXPECT_EQ(at_listener[1].text, u"qzzefa://p/q/3");

  // Without the listener the requests stay with the window's procedure.
  listener.reset();
  send(hwnd(web), 5000, u"later");
  ASSERT_EQ(at_procedure.size(), 1u);
  EXPECT_EQ(at_procedure[0].text, u"later");
}

// Shown when its first page is complete (here: with no page at all), the web window passes the
// keyboard on to the browser's own window, which the control host holds.
TEST_F(WebWindow, ShownItPassesTheKeyboardOnToTheBrowser) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  struct : platform::script_dispatch {
    std::int32_t get_id_of_name(std::u16string_view) override { return 0; }
    platform::hresult invoke(std::int32_t, platform::dispatch_params&, platform::variant*) override {
      return platform::s_ok;
    }
  } external;
  auto browser = platform::create_browser_host(web, external);
  ASSERT_NE(browser, nullptr);
  const HWND controlHost = FindWindowExW(hwnd(web), nullptr, L"AtlAxWin80", nullptr);
  ASSERT_NE(controlHost, nullptr);
  skin.show();
  SetForegroundWindow(hwnd(skin.handle()));
  SetFocus(hwnd(skin.handle()));
  // Not in the browser before: otherwise showing the web window would prove nothing.
  ASSERT_TRUE(pump_until([&] { return GetFocus() == hwnd(skin.handle()); }, patience_ms))
      << "focus on " << GetFocus();

  platform::show_window(web, true);
  EXPECT_TRUE(pump_until([&] { return IsChild(controlHost, GetFocus()) != FALSE; }, patience_ms))
      << "focus on " << GetFocus();
  SetFocus(hwnd(web));
  EXPECT_TRUE(IsChild(controlHost, GetFocus())) << "focus on " << GetFocus();

  browser.reset();
  OleUninitialize();
}

TEST_F(WebWindow, AnOversizedRequestIsRefusedUnread) {
  const std::u16string big(platform::hand_over_max_bytes / 2 + 1, u'x');
  EXPECT_EQ(send(hwnd(web), 5000, big), FALSE);
  EXPECT_TRUE(at_procedure.empty());
}

// The box a thread shows: found by its caption among that thread's windows.
struct box_search {
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK match_box(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<box_search*>(data);
  wchar_t text[128] = {};
  GetWindowTextW(window, text, 128);
  if (std::wstring(text) == search.caption && IsWindowVisible(window)) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

HWND find_box(DWORD thread, const wchar_t* caption) {
  box_search search{caption, nullptr};
  EnumThreadWindows(thread, match_box, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST_F(WebWindow, AWorkersMessageBoxIsOwnedByTheWindowAndAnswered) {
  for (const auto& [buttons, press, expected] :
       {std::tuple{platform::box_buttons::ok, IDOK, platform::answer_ok},
        std::tuple{platform::box_buttons::ok_cancel, IDCANCEL, platform::answer_cancel},
        std::tuple{platform::box_buttons::ok_cancel, IDOK, platform::answer_ok}}) {
    std::promise<DWORD> box_thread;
    auto thread_id = box_thread.get_future();
    auto answer = std::async(std::launch::async, [&, buttons = buttons] {
      box_thread.set_value(GetCurrentThreadId());
      return platform::message_box(web, u"\u6b63\u5728\u89e3\u538b", u"\u51fa\u9519\u5566", buttons);
    });
    const DWORD worker = thread_id.get();
    HWND box = nullptr;
    ASSERT_TRUE(pump_until(
        [&] { return (box = find_box(worker, L"\u51fa\u9519\u5566")) != nullptr; }, patience_ms));
    EXPECT_EQ(GetWindow(box, GW_OWNER), hwnd(web));
    wchar_t text[64] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 64);
    EXPECT_STREQ(text, L"\u6b63\u5728\u89e3\u538b");
    EXPECT_EQ(GetDlgItem(box, IDCANCEL) != nullptr, buttons == platform::box_buttons::ok_cancel);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(press, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, press)));
    ASSERT_TRUE(pump_until_ready(answer));
    EXPECT_EQ(answer.get(), expected);
  }
}

}  // namespace
