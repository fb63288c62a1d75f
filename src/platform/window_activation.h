#pragma once
// Bringing a launcher window to the user, implemented by the desktop front end (it owns the
// windows): presenting and restoring on GTK, the foreground dance on Win32, a record in the
// headless desktop.
#include "platform/event_loop.h"

namespace platform {

// SetActiveWindow: make the window the active one of its application.
void activate_window(window_handle window);
// Puts the window in front even when another program has the focus, and restores it when
// it is minimised.
void present_window(window_handle window);

}  // namespace platform
