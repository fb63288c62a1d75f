// Message boxes are the system's own. A worker thread may show one too: the box runs its own
// loop on that thread, and the owner, a window of the main thread, is disabled meanwhile.
#include "platform/message_box.h"
#include "platform/win32/desktop/win32_desktop.h"
#include "platform/win32/wide_text.h"

namespace platform {

int message_box(window_handle owner, std::u16string_view text, std::u16string_view caption,
                box_buttons buttons) {
  HWND parent = win32_desktop::window_of(owner);
  if (parent && !IsWindow(parent)) parent = nullptr;
  const UINT style = buttons == box_buttons::ok ? MB_OK : MB_OKCANCEL;
  const int answer = MessageBoxW(parent, win32::to_wide(text).c_str(),
                                 win32::to_wide(caption).c_str(), style);
  if (answer == IDOK) return answer_ok;
  // A box that could not be shown agrees to nothing it asked.
  return buttons == box_buttons::ok ? answer_ok : answer_cancel;
}

}  // namespace platform
