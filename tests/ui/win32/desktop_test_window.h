#pragma once
// Helpers of the Win32 desktop tests: running the thread's messages for a while, and a plain
// window of one colour to lie below the launcher window.
#include <windows.h>

#include <functional>

namespace testing_support {

// Handles this thread's messages until done() holds or until_ms have passed; returns done().
bool pump_until(const std::function<bool()>& done, DWORD until_ms);
void pump_for(DWORD ms);

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
