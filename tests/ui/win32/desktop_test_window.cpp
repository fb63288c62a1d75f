#include "ui/win32/desktop_test_window.h"

namespace testing_support {

bool pump_until(const std::function<bool()>& done, DWORD until_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      // A quit message is left for the test to see.
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        return done && done();
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done && done()) return true;
    if (GetTickCount() - start >= until_ms) return done && done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void pump_for(DWORD ms) { pump_until(nullptr, ms); }

namespace {
constexpr wchar_t colour_class[] = L"LauncherTestColour";
}

colour_window::colour_window(const RECT& place, COLORREF colour) {
  brush_ = CreateSolidBrush(colour);
  WNDCLASSEXW description{};
  description.cbSize = sizeof description;
  description.lpfnWndProc = DefWindowProcW;
  description.hInstance = GetModuleHandleW(nullptr);
  description.lpszClassName = colour_class;
  RegisterClassExW(&description);
  window_ = CreateWindowExW(WS_EX_NOACTIVATE, colour_class, L"", WS_POPUP, place.left, place.top,
                            place.right - place.left, place.bottom - place.top, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  SetClassLongPtrW(window_, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush_));
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  UpdateWindow(window_);
}

colour_window::~colour_window() {
  if (window_) DestroyWindow(window_);
  if (brush_) DeleteObject(brush_);
}

}  // namespace testing_support
