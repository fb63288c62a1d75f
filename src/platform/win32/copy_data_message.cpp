#include "platform/win32/copy_data_message.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/process_lifetime.h"

namespace platform::win32 {

namespace {
constexpr wchar_t receiver_property[] = L"LauncherCopyDataReceiver";

// A launcher started with administrator rights (by an updater that asked for them) would
// otherwise never hear the hand-over of a second start at the player's normal integrity
// level. Looked up at run time: systems before Windows 7 have no per-window filter.
void accept_copy_data_from_lower_integrity(HWND window) {
  using filter_function = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  constexpr DWORD allow = 1;  // MSGFLT_ALLOW
  const HMODULE user = GetModuleHandleW(L"user32.dll");
  if (!user) return;
  const auto filter = reinterpret_cast<filter_function>(
      reinterpret_cast<void*>(GetProcAddress(user, "ChangeWindowMessageFilterEx")));
  if (filter) filter(window, WM_COPYDATA, allow, nullptr);
}

struct handler_table {
  std::mutex mutex;
  std::map<HWND, std::shared_ptr<copy_data_handler>> handlers;
};

handler_table& table() { return process_lifetime_object<handler_table>(); }

}  // namespace

std::optional<copy_data> read_copy_data(const COPYDATASTRUCT* sent) {
  if (sent == nullptr || sent->cbData > hand_over_max_bytes) return std::nullopt;
  copy_data data;
  data.dwData = sent->dwData;
  data.text.resize(sent->cbData / 2);
  if (!data.text.empty()) std::memcpy(data.text.data(), sent->lpData, data.text.size() * 2);
  return data;
}

void mark_copy_data_receiver(HWND window) {
  SetPropW(window, receiver_property, reinterpret_cast<HANDLE>(1));
  accept_copy_data_from_lower_integrity(window);
}

bool is_copy_data_receiver(HWND window) {
  if (!IsWindow(window)) return false;
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  return owner == GetCurrentProcessId() && GetPropW(window, receiver_property) != nullptr;
}

}  // namespace platform::win32

namespace platform::win32 {

void set_copy_data_handler(HWND window, copy_data_handler handler) {
  auto& t = table();
  std::lock_guard lock(t.mutex);
  t.handlers[window] = std::make_shared<copy_data_handler>(std::move(handler));
}

void clear_copy_data_handler(HWND window) {
  auto& t = table();
  std::lock_guard lock(t.mutex);
  t.handlers.erase(window);
}

bool deliver_copy_data(HWND window, const copy_data& request) {
  std::shared_ptr<copy_data_handler> handler;
  {
    auto& t = table();
    std::lock_guard lock(t.mutex);
    const auto found = t.handlers.find(window);
    if (found == t.handlers.end()) return false;
    handler = found->second;
  }
  // Called unlocked: the handler may stop its own listener.
  if (*handler) (*handler)(request);
  return true;
}

}  // namespace platform::win32
