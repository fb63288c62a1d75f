#pragma once
// Small system operations the web window shares: the external browser, bringing a window to
// the front and the existence test of a path.
#include <string>
#include <string_view>

#include "platform/event_loop.h"

// Opens the address in Internet Explorer where it is installed, otherwise with the system's
// handler for it. Reports nothing.
void open_in_browser(std::u16string_view address);

// Puts the window in front even when another program has the focus, and restores it when
// minimised.
void bring_window_to_front(platform::window_handle window);

// A directory search: folders count, and wildcards count when anything matches. A null path
// gives false.
bool file_exists(const char16_t* path);
bool file_exists(const std::u16string& path);
