#include "e2e/synthetic_mouse.h"

#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

namespace testing_support {

namespace {
Display* x_display() { return GDK_DISPLAY_XDISPLAY(gdk_display_get_default()); }
}  // namespace

void move_pointer_to(int x, int y) {
  XTestFakeMotionEvent(x_display(), -1, x, y, CurrentTime);
  XSync(x_display(), False);
}

void press_left_button(bool down) {
  XTestFakeButtonEvent(x_display(), 1, down ? True : False, CurrentTime);
  XSync(x_display(), False);
}

}  // namespace testing_support
