#include <windows.h>

#include <cstdio>

#include "platform/process.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {

bool start_process(std::u16string_view command_line) {
  // CreateProcessW may write into the command line, so it gets a copy of its own.
  std::wstring line = win32::to_wide(command_line);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started))
    return false;
  win32::unique_handle process(started.hProcess);
  win32::unique_handle thread(started.hThread);
  return true;
}

void exit_process(int code) {
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(code));
}

}  // namespace platform
