#include "e2e/synthetic_keyboard.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gdk/gdkx.h>

namespace testing_support {

namespace {

Display* x_display() { return GDK_DISPLAY_XDISPLAY(gdk_display_get_default()); }

void send(KeyCode code, bool down) {
  XTestFakeKeyEvent(x_display(), code, down ? True : False, CurrentTime);
  XSync(x_display(), False);
}

void stroke(KeyCode code, bool shifted) {
  const KeyCode shift = XKeysymToKeycode(x_display(), XK_Shift_L);
  if (shifted) send(shift, true);
  send(code, true);
  send(code, false);
  if (shifted) send(shift, false);
}

}  // namespace

bool type_text(std::string_view text) {
  for (const char character : text) {
    // Printable ASCII characters are their own key symbols.
    const auto symbol = static_cast<KeySym>(static_cast<unsigned char>(character));
    const KeyCode code = XKeysymToKeycode(x_display(), symbol);
    if (code == 0) return false;
    if (XkbKeycodeToKeysym(x_display(), code, 0, 0) == symbol) {
      stroke(code, false);
    } else if (XkbKeycodeToKeysym(x_display(), code, 0, 1) == symbol) {
      stroke(code, true);
    } else {
      return false;
    }
  }
  return true;
}

void press_key(named_key key) {
  const KeySym symbol = key == named_key::tab ? XK_Tab : XK_Return;
  stroke(XKeysymToKeycode(x_display(), symbol), false);
}

}  // namespace testing_support
