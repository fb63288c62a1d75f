#include "e2e/x_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>

namespace testing_support {

namespace {

Display* x_display() { return GDK_DISPLAY_XDISPLAY(gdk_display_get_default()); }

std::string utf8_title(Display* display, Window window) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024,
                         False, XInternAtom(display, "UTF8_STRING", False), &type, &format, &count,
                         &after, &data) == Success && data) {
    title.assign(reinterpret_cast<const char*>(data), count);
    XFree(data);
  }
  if (title.empty()) {
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
      title = name;
      XFree(name);
    }
  }
  return title;
}

bool has_modal_state(Display* display, Window window) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool modal = false;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_STATE", False), 0, 64,
                         False, XA_ATOM, &type, &format, &count, &after, &data) == Success && data) {
    const Atom wanted = XInternAtom(display, "_NET_WM_STATE_MODAL", False);
    const auto* states = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count; ++i) modal = modal || states[i] == wanted;
    XFree(data);
  }
  return modal;
}

}  // namespace

std::vector<top_level_window> top_level_windows() {
  Display* display = x_display();
  // Windows may go away while they are read: their errors are expected, not fatal.
  GdkDisplay* gdk_display = gdk_display_get_default();
  gdk_x11_display_error_trap_push(gdk_display);
  XSync(display, False);
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  std::vector<top_level_window> found;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
    gdk_x11_display_error_trap_pop_ignored(gdk_display);
    return found;
  }
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, children[i], &attributes) ||
        attributes.map_state != IsViewable)
      continue;
    top_level_window window;
    window.id = children[i];
    window.title = utf8_title(display, children[i]);
    Window owner = 0;
    if (XGetTransientForHint(display, children[i], &owner)) window.transient_for = owner;
    window.modal = has_modal_state(display, children[i]);
    found.push_back(window);
  }
  if (children) XFree(children);
  gdk_x11_display_error_trap_pop_ignored(gdk_display);
  return found;
}

void focus_window(unsigned long id) {
  GdkDisplay* gdk_display = gdk_display_get_default();
  gdk_x11_display_error_trap_push(gdk_display);
  XSetInputFocus(x_display(), id, RevertToParent, CurrentTime);
  XSync(x_display(), False);
  gdk_x11_display_error_trap_pop_ignored(gdk_display);
}

}  // namespace testing_support
