// Bringing a launcher window to the user. Windows gives the foreground only to the thread that
// has the input, so the launcher joins the foreground thread's input for the moment it asks.
#include "platform/win32/desktop/win32_desktop.h"
#include "platform/window_activation.h"

namespace platform {

void activate_window(window_handle window) { SetActiveWindow(win32_desktop::window_of(window)); }

void present_window(window_handle window) {
  const HWND target = win32_desktop::window_of(window);
  if (!IsWindow(target)) return;
  const DWORD target_thread = GetWindowThreadProcessId(target, nullptr);
  const DWORD foreground_thread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  if (foreground_thread == target_thread || foreground_thread == 0) {
    SetForegroundWindow(target);
  } else {
    AttachThreadInput(foreground_thread, target_thread, TRUE);
    SetForegroundWindow(target);
    AttachThreadInput(foreground_thread, target_thread, FALSE);
  }
  // The web window is an owned popup that hides with its minimised owner: restoring the
  // owner is what brings it back.
  const HWND owner = GetAncestor(target, GA_ROOTOWNER);
  if (owner && owner != target && IsIconic(owner)) ShowWindow(owner, SW_RESTORE);
  if (IsIconic(target)) ShowWindow(target, SW_RESTORE);
}

}  // namespace platform
