#include "support/win32/test_popup.h"

namespace testing_support {

HWND create_test_popup(const wchar_t* class_name, WNDPROC procedure, DWORD style, int width,
                       int height) {
  WNDCLASSEXW description{};
  description.cbSize = sizeof(description);
  description.lpfnWndProc = procedure;
  description.hInstance = GetModuleHandleW(nullptr);
  description.lpszClassName = class_name;
  // A second registration of the same class fails harmlessly; the first one stands.
  RegisterClassExW(&description);
  return CreateWindowExW(0, class_name, L"", WS_POPUP | style, 0, 0, width, height, nullptr,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace testing_support
