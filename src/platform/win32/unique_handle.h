#pragma once
// Owns a kernel handle (file, process, thread) and closes it once.
#include <windows.h>

namespace platform::win32 {

class unique_handle {
 public:
  unique_handle() = default;
  explicit unique_handle(HANDLE handle) : handle_(handle) {}
  ~unique_handle() { reset(); }
  unique_handle(const unique_handle&) = delete;
  unique_handle& operator=(const unique_handle&) = delete;

  HANDLE get() const { return handle_; }
  // Both "no handle" values of the Win32 calls count as empty.
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  void reset() {
    if (valid()) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace platform::win32
