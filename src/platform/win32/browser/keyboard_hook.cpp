// The thread keyboard hook that hands Tab and Enter to the page's document. The key is always
// passed on to the next hook as well; it is never swallowed.
#include "platform/keyboard_hook.h"

#include "platform/win32/browser/keyboard_hook_keys.h"

#include <windows.h>

#include "platform/win32/browser/ie_browser_host.h"

namespace platform::win32 {

namespace {

HHOOK installed_hook = nullptr;

bool key_down(int key) { return GetKeyState(key) < 0; }

class thread_keyboard_hook final : public keyboard_hook {
 public:
  explicit thread_keyboard_hook(HHOOK hook) : hook_(hook) {}
  ~thread_keyboard_hook() override {
    UnhookWindowsHookEx(hook_);
    if (installed_hook == hook_) installed_hook = nullptr;
  }
  thread_keyboard_hook(const thread_keyboard_hook&) = delete;
  thread_keyboard_hook& operator=(const thread_keyboard_hook&) = delete;

 private:
  HHOOK hook_;
};

}  // namespace

// Enter goes over as its key-up: the document acts on the release, as the browser expects
// from its own frame. Only a key taken from the queue counts: a modal loop that merely peeks
// at it (HC_NOREMOVE) would otherwise hand the same key over a second time.
std::optional<UINT> page_message_for_hooked_key(int code, WPARAM key, bool held) {
  if (code != HC_ACTION || !held) return std::nullopt;
  if (key == VK_TAB) return WM_KEYDOWN;
  if (key == VK_RETURN) return WM_KEYUP;
  return std::nullopt;
}

LRESULT CALLBACK keyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (ie_browser_host* host = ie_browser_host::current()) {
    const bool held = wParam <= 0xFF && key_down(static_cast<int>(wParam));
    if (const auto message = page_message_for_hooked_key(code, wParam, held))
      host->translate_key(*message, wParam, lParam);
  }
  return CallNextHookEx(installed_hook, code, wParam, lParam);
}

}  // namespace platform::win32

namespace platform {

std::unique_ptr<keyboard_hook> install_keyboard_hook() {
  const HHOOK hook =
      SetWindowsHookExW(WH_KEYBOARD, win32::keyboardHookProc, nullptr, GetCurrentThreadId());
  if (hook == nullptr) return nullptr;
  win32::installed_hook = hook;
  return std::make_unique<win32::thread_keyboard_hook>(hook);
}

}  // namespace platform
