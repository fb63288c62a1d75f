#pragma once
// A plain popup window for tests of code that needs a real window to live in.
#include <windows.h>

namespace testing_support {

// Registers the class (once) with the procedure and makes a popup of it at the screen's origin;
// the caller destroys it. nullptr when the system refuses.
HWND create_test_popup(const wchar_t* class_name, WNDPROC procedure, DWORD style, int width,
                       int height);

}  // namespace testing_support
