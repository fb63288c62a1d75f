#pragma once
// The child window that carries the browser control, as large as the web window's client area.
#include <windows.h>

namespace platform::win32 {

class ie_browser_host;

inline constexpr wchar_t control_host_class[] = L"AtlAxWin80";

// Null when the window cannot be made.
HWND create_control_host_window(HWND parent, ie_browser_host& host);
// The host stops receiving the window's messages (before it goes away).
void release_control_host_window(HWND window);

}  // namespace platform::win32
