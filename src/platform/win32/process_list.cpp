// PSAPI enumeration; the program path comes from QueryFullProcessImageNameW, which also names
// 64-bit programs for this 32-bit launcher.
#include <windows.h>

#include <psapi.h>

#include <algorithm>

#include "platform/process_list.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {

std::vector<running_process> list_processes() {
  std::vector<DWORD> ids(1024);
  DWORD bytes = 0;
  // A full buffer may have cut the list short: grow it until it holds every id.
  while (true) {
    if (!EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes)) return {};
    if (bytes < ids.size() * sizeof(DWORD)) break;
    ids.resize(ids.size() * 2);
  }
  ids.resize(bytes / sizeof(DWORD));
  std::vector<running_process> found;
  for (const DWORD id : ids) {
    win32::unique_handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process.valid()) continue;
    wchar_t path[MAX_PATH * 4];
    DWORD length = sizeof path / sizeof path[0];
    if (!QueryFullProcessImageNameW(process.get(), 0, path, &length)) continue;
    found.push_back({id, win32::from_wide(path, length)});
  }
  std::sort(found.begin(), found.end(),
            [](const running_process& a, const running_process& b) { return a.id < b.id; });
  return found;
}

bool terminate_process(std::uint32_t id) {
  win32::unique_handle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, id));
  if (!process.valid()) return false;
  return TerminateProcess(process.get(), 0) != 0;
}

}  // namespace platform
