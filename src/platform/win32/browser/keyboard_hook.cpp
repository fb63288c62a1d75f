// The thread keyboard hook that hands Tab and Enter to the page's document. The key is always
// passed on to the next hook as well; it is never swallowed.
#include "platform/keyboard_hook.h"

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
// from its own frame.
LRESULT CALLBACK keyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
  ie_browser_host* host = ie_browser_host::current();
  if (host != nullptr) {
    if (wParam == VK_TAB && key_down(VK_TAB))
      host->translate_key(WM_KEYDOWN, VK_TAB, lParam);
    else if (wParam == VK_RETURN && key_down(VK_RETURN))
      host->translate_key(WM_KEYUP, VK_RETURN, lParam);
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
