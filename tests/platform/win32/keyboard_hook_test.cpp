// The thread keyboard hook in front of the hosted browser: while installed, typed keys still
// reach the windows and the hooks installed before it; Tab and Enter go to the page's document
// on the way (which needs an HTML engine to be seen, so not here).
#include <gtest/gtest.h>

#include <ole2.h>
#include <windows.h>

#include <vector>

#include "platform/browser_host.h"
#include "platform/keyboard_hook.h"
#include "platform/win32/browser/keyboard_hook_keys.h"
#include "support/win32/test_popup.h"
#include "support/win32/message_pump.h"

namespace {

std::vector<WPARAM> keys_at_window;
std::vector<WPARAM> keys_at_earlier_hook;
HHOOK earlier_hook = nullptr;

LRESULT CALLBACK recording_window(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_KEYDOWN) keys_at_window.push_back(wparam);
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK recording_hook(int code, WPARAM wparam, LPARAM lparam) {
  // Key-down transitions only (bit 31 clear).
  if (code == HC_ACTION && (static_cast<DWORD>(lparam) & 0x80000000u) == 0)
    keys_at_earlier_hook.push_back(wparam);
  return CallNextHookEx(earlier_hook, code, wparam, lparam);
}

void type_keys(const std::vector<WORD>& keys) {
  std::vector<INPUT> inputs;
  for (const WORD key : keys) {
    INPUT down{};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = key;
    INPUT up = down;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(down);
    inputs.push_back(up);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

struct null_dispatch : platform::script_dispatch {
  std::int32_t get_id_of_name(std::u16string_view) override { return 0; }
  platform::hresult invoke(std::int32_t, platform::dispatch_params&, platform::variant*) override {
    return platform::s_ok;
  }
};

TEST(KeyboardHook, KeysPassThroughToWindowsAndEarlierHooks) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  const HWND window = testing_support::create_test_popup(
      L"keyboardTestWindow", recording_window, WS_VISIBLE, 587, 319);
  ASSERT_NE(window, nullptr);
  null_dispatch external;
  auto browser = platform::create_browser_host(reinterpret_cast<platform::window_handle>(window),
                                               external);
  ASSERT_NE(browser, nullptr);
  // Typed keys go to the window with the focus: wait until it is this one, as a loaded machine
  // (and Wine's X focus) may take its time.
  SetForegroundWindow(window);
  SetFocus(window);
  ASSERT_TRUE(testing_support::pump_until(
      [&] { return GetForegroundWindow() == window && GetFocus() == window; },
      testing_support::patience_ms))
      << "the window has the keyboard";

  earlier_hook = SetWindowsHookExW(WH_KEYBOARD, recording_hook, nullptr, GetCurrentThreadId());
  ASSERT_NE(earlier_hook, nullptr);
  {
    const auto hook = platform::install_keyboard_hook();
    ASSERT_NE(hook, nullptr);
    type_keys({VK_TAB, VK_RETURN, 'A'});
    testing_support::pump_until(
        [] { return keys_at_window.size() >= 3 && keys_at_earlier_hook.size() >= 3; },
        testing_support::patience_ms);
  }
  const std::vector<WPARAM> typed = {VK_TAB, VK_RETURN, 'A'};
  EXPECT_EQ(keys_at_earlier_hook, typed);
  EXPECT_EQ(keys_at_window, typed);

  UnhookWindowsHookEx(earlier_hook);
  browser.reset();
  DestroyWindow(window);
  OleUninitialize();
}

TEST(KeyboardHook, OnlyKeysTakenFromTheQueueGoToThePage) {
  using platform::win32::page_message_for_hooked_key;
  EXPECT_EQ(page_message_for_hooked_key(HC_ACTION, VK_TAB, true), WM_KEYDOWN);
  EXPECT_EQ(page_message_for_hooked_key(HC_ACTION, VK_RETURN, true), WM_KEYUP);
  for (const WPARAM key : {VK_TAB, VK_RETURN})
    EXPECT_EQ(page_message_for_hooked_key(HC_NOREMOVE, key, true), std::nullopt) << "peeked";
  EXPECT_EQ(page_message_for_hooked_key(HC_ACTION, VK_TAB, false), std::nullopt) << "released";
  EXPECT_EQ(page_message_for_hooked_key(HC_ACTION, 'A', true), std::nullopt);
}

}  // namespace
