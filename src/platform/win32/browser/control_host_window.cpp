#include "platform/win32/browser/control_host_window.h"

#include "platform/win32/browser/ie_browser_host.h"

namespace platform::win32 {

namespace {

ie_browser_host* host_of(HWND window) {
  return reinterpret_cast<ie_browser_host*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK control_host_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  } else if (message == WM_SIZE) {
    if (ie_browser_host* host = host_of(window)) host->fit_to_host();
  } else if (message == WM_SETFOCUS) {
    if (ie_browser_host* host = host_of(window)) host->take_focus();
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool register_class(HINSTANCE instance) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(instance, control_host_class, &existing)) return true;
  WNDCLASSEXW description{};
  description.cbSize = sizeof(description);
  description.lpfnWndProc = control_host_procedure;
  description.hInstance = instance;
  description.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  description.lpszClassName = control_host_class;
  return RegisterClassExW(&description) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

HWND create_control_host_window(HWND parent, ie_browser_host& host) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!register_class(instance)) return nullptr;
  RECT area{};
  GetClientRect(parent, &area);
  return CreateWindowExW(0, control_host_class, L"", WS_CHILD | WS_VISIBLE, area.left, area.top,
                         area.right - area.left, area.bottom - area.top, parent, nullptr, instance,
                         &host);
}

void release_control_host_window(HWND window) {
  if (window && IsWindow(window)) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
}

}  // namespace platform::win32
