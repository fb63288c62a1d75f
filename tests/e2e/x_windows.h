#pragma once
// The top-level windows of the X screen, read as a window manager reads them. Kept apart from
// the tests: the X headers define names that clash with GoogleTest's.
#include <string>
#include <vector>

namespace testing_support {

struct top_level_window {
  unsigned long id = 0;
  std::string title;               // _NET_WM_NAME, else WM_NAME
  unsigned long transient_for = 0; // the window that owns it (WM_TRANSIENT_FOR), 0 for none
  bool modal = false;              // _NET_WM_STATE holds _NET_WM_STATE_MODAL
};

// Every mapped top-level window, bottom to top.
std::vector<top_level_window> top_level_windows();

// Gives the window the keyboard focus, as a window manager does with a window that appears.
void focus_window(unsigned long id);

}  // namespace testing_support
