#pragma once
// The browser control's own keyboard commands that have no place in the launcher: reloading
// the portal in the middle of an update, opening windows and dialogs of the browser, printing,
// navigating back and forth. The page's editing keys stay the page's.
#include <windows.h>

namespace platform::win32 {

struct key_modifiers {
  bool control = false;
  bool alt = false;
  bool shift = false;
};

// Whether a keyboard message is one of those commands. Backspace goes back only outside a
// text field, so it counts only there.
bool is_blocked_browser_key(UINT message, WPARAM key, key_modifiers modifiers,
                            bool in_text_field);

// The modifiers as the thread's keyboard state has them now.
key_modifiers current_key_modifiers();

}  // namespace platform::win32
