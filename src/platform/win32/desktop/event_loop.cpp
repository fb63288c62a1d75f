// The event loop on the Win32 message queue. Every window of the seam is a real window: a
// message-only window for create_message_window, the web window for create_child_window. Their
// procedures are kept per window; the shared window procedure hands them the messages of the
// seam (timers, WM_COPYDATA as platform::copy_data, and the program's own messages from
// WM_USER on) and leaves everything else to the system.
#include <atomic>
#include <map>
#include <memory>
#include <mutex>

#include "platform/hand_over.h"
#include "platform/process_lifetime.h"
#include "platform/win32/browser/ie_browser_host.h"
#include "platform/win32/copy_data_message.h"
#include "platform/win32/desktop/win32_desktop.h"

namespace platform {

namespace {

constexpr wchar_t message_window_class[] = L"LauncherMessageWindow";

struct loop_state {
  std::mutex mutex;
  std::map<HWND, std::shared_ptr<window_procedure>> procedures;
  std::atomic<DWORD> main_thread{0};
};

loop_state& state() { return process_lifetime_object<loop_state>(); }

std::shared_ptr<window_procedure> procedure_of(HWND window) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  const auto found = s.procedures.find(window);
  return found == s.procedures.end() ? nullptr : found->second;
}

LRESULT call_procedure(HWND window, std::uint32_t message, std::uintptr_t wparam,
                       std::intptr_t lparam) {
  // Held while it runs: the procedure may destroy its own window.
  const auto procedure = procedure_of(window);
  if (!procedure || !*procedure) return 0;
  return (*procedure)(message, wparam, lparam);
}

bool register_message_window_class() {
  static const bool registered = [] {
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = win32_desktop::seam_window_procedure;
    description.hInstance = win32_desktop::program_module();
    description.lpszClassName = message_window_class;
    return RegisterClassExW(&description) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

namespace win32_desktop {

HINSTANCE program_module() { return GetModuleHandleW(nullptr); }

void note_main_thread() {
  DWORD none = 0;
  state().main_thread.compare_exchange_strong(none, GetCurrentThreadId());
}

void add_window(HWND window, window_procedure procedure) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.procedures[window] = std::make_shared<window_procedure>(std::move(procedure));
}

LRESULT CALLBACK seam_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
      call_procedure(window, message_timer, wparam, 0);
      return 0;
    case WM_COPYDATA: {
      const auto request = win32::read_copy_data(reinterpret_cast<const COPYDATASTRUCT*>(lparam));
      if (!request) return FALSE;
      if (win32::deliver_copy_data(window, *request)) return TRUE;
      return call_procedure(window, message_copy_data, wparam,
                            reinterpret_cast<std::intptr_t>(&*request));
    }
    case WM_SETFOCUS:
      // The web window passes the keyboard on to the browser inside it, as a container's frame
      // does: shown when its page is complete, or active again when the player returns, it
      // would otherwise keep the focus itself and the page would get no key.
      if (const HWND child = GetWindow(window, GW_CHILD)) {
        SetFocus(child);
        return 0;
      }
      break;
    case WM_CLOSE:
      // Closing the web window (Alt+F4 while it has the focus) closes the launcher window
      // that owns it; on its own it would leave the launcher without its page.
      if (HWND owner = GetWindow(window, GW_OWNER)) {
        PostMessageW(owner, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_NCDESTROY: {
      auto& s = state();
      std::lock_guard lock(s.mutex);
      s.procedures.erase(window);
      break;
    }
    default:
      if (message >= WM_USER && message < 0xC000)
        return call_procedure(window, message, wparam, lparam);
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace win32_desktop

window_handle create_message_window(window_procedure procedure) {
  win32_desktop::note_main_thread();
  if (!register_message_window_class()) return 0;
  const HWND window = CreateWindowExW(0, message_window_class, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, win32_desktop::program_module(), nullptr);
  if (!window) return 0;
  win32_desktop::add_window(window, std::move(procedure));
  return win32_desktop::handle_of(window);
}

bool window_exists(window_handle window) {
  const HWND hwnd = win32_desktop::window_of(window);
  return window != 0 && IsWindow(hwnd) && procedure_of(hwnd) != nullptr;
}

void destroy_window(window_handle window) {
  if (!window_exists(window)) return;
  const HWND hwnd = win32_desktop::window_of(window);
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.procedures.erase(hwnd);
  }
  // Messages still queued for it go with it: a later window may get the same handle.
  MSG dropped;
  while (PeekMessageW(&dropped, hwnd, 0, 0, PM_REMOVE)) {
  }
  DestroyWindow(hwnd);
}

bool post_message(window_handle window, std::uint32_t message, std::uintptr_t wparam,
                  std::intptr_t lparam) {
  if (window == 0) return false;
  return PostMessageW(win32_desktop::window_of(window), message, wparam, lparam) != FALSE;
}

bool set_timer(window_handle window, std::uintptr_t timer_id, std::uint32_t period_ms) {
  if (!window_exists(window)) return false;
  return SetTimer(win32_desktop::window_of(window), timer_id, period_ms, nullptr) != 0;
}

bool kill_timer(window_handle window, std::uintptr_t timer_id) {
  if (window == 0) return false;
  return KillTimer(win32_desktop::window_of(window), timer_id) != FALSE;
}

void post_quit_message(int exit_code) {
  const DWORD main_thread = state().main_thread.load();
  // The quit message belongs to the queue of the thread that runs the loop.
  if (main_thread == 0 || main_thread == GetCurrentThreadId())
    PostQuitMessage(exit_code);
  else
    PostThreadMessageW(main_thread, WM_QUIT, static_cast<WPARAM>(exit_code), 0);
}

int run_message_loop() {
  win32_desktop::note_main_thread();
  MSG message{};
  BOOL got = FALSE;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return -1;
    // Keys for the page go to the browser first, as in any container of a control: Delete and
    // the editing shortcuts in its text fields work only so.
    if (win32::ie_browser_host::pre_translate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace platform
