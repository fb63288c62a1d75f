#pragma once
// WM_COPYDATA as both receivers of the Windows build read it: the hand-over channel's own
// window and the desktop's web window, which hands the request to its procedure itself.
#include <windows.h>

#include <optional>

#include "platform/hand_over.h"

namespace platform::win32 {

// The request a WM_COPYDATA carries; nothing for a missing or oversized one.
std::optional<copy_data> read_copy_data(const COPYDATASTRUCT* sent);

// Marks a window of this process that reads WM_COPYDATA itself and passes each request to
// deliver_copy_data, so the hand-over channel can name that very window in launch links
// instead of opening one of its own.
void mark_copy_data_receiver(HWND window);
bool is_copy_data_receiver(HWND window);

// A hand-over listener on a marked window takes its requests; without one they stay with the
// window's own procedure.
void set_copy_data_handler(HWND window, copy_data_handler handler);
void clear_copy_data_handler(HWND window);
// Runs the listener's handler for the request; false when the window has none.
bool deliver_copy_data(HWND window, const copy_data& request);

}  // namespace platform::win32
