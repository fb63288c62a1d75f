#include "ui/win32/desktop_test_window.h"

namespace testing_support {

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
