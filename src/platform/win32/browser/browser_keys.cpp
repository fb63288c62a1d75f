#include "platform/win32/browser/browser_keys.h"

namespace platform::win32 {

namespace {

// Ctrl with: N new window, O and L open, P print, F find, S save, E search, H history,
// I favourites, D add to favourites, R reload.
bool blocked_with_control(WPARAM key) {
  switch (key) {
    case 'N': case 'O': case 'L': case 'P': case 'F': case 'S': case 'E': case 'H': case 'I':
    case 'D': case 'R': case VK_F5:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool is_blocked_browser_key(UINT message, WPARAM key, key_modifiers modifiers,
                            bool in_text_field) {
  if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN) return false;
  if (key >= VK_BROWSER_BACK && key <= VK_BROWSER_HOME) return true;
  if (key == VK_F5 || key == VK_F3 || key == VK_F11) return true;
  if (modifiers.alt && (key == VK_LEFT || key == VK_RIGHT || key == VK_HOME)) return true;
  if (key == VK_BACK) return !in_text_field && !modifiers.alt && !modifiers.control;
  return modifiers.control && !modifiers.alt && blocked_with_control(key);
}

key_modifiers current_key_modifiers() {
  return {GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0, GetKeyState(VK_SHIFT) < 0};
}

}  // namespace platform::win32
