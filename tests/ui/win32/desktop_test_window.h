#pragma once
// Helpers of the Win32 desktop tests: a plain window of one colour to lie below the launcher
// window, and the thread's message pump.
#include <windows.h>

#include "support/win32/message_pump.h"

namespace testing_support {

// A visible popup filled with one colour, destroyed with the object.
class colour_window {
 public:
  colour_window(const RECT& place, COLORREF colour);
  ~colour_window();
  colour_window(const colour_window&) = delete;
  colour_window& operator=(const colour_window&) = delete;
  HWND handle() const { return window_; }

 private:
  HBRUSH brush_ = nullptr;
  HWND window_ = nullptr;
};

}  // namespace testing_support
