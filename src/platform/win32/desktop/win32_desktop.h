#pragma once
// Shared by the Win32 desktop's files: the windows of the seam with their procedures, the main
// thread, and the program's artwork decoded from its resources.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/event_loop.h"

namespace platform::win32_desktop {

HINSTANCE program_module();

inline HWND window_of(window_handle window) { return reinterpret_cast<HWND>(window); }
inline window_handle handle_of(HWND window) { return reinterpret_cast<window_handle>(window); }

// The thread that owns the windows and runs the loop: the first that makes a window.
void note_main_thread();

// Enters a window whose messages of the seam (timers, WM_COPYDATA, posted messages from
// WM_USER on) go to procedure.
void add_window(HWND window, window_procedure procedure);
// The window procedure of such windows.
LRESULT CALLBACK seam_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// A PNG of the resources as premultiplied 32-bit pixels (blue, green, red, alpha in memory),
// rows top down; null when the program has no such image.
struct decoded_image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};
const decoded_image* resource_image(int resource_id);

}  // namespace platform::win32_desktop
