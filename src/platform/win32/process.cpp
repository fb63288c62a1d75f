#include <windows.h>

#include <cstdio>

#include "platform/process.h"
#include "platform/win32/elevated_start.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

// ERROR_ELEVATION_REQUIRED, which the MinGW headers do not name.
constexpr DWORD elevation_required = 740;

}  // namespace

process_start start_process(std::u16string_view command_line) {
  // CreateProcessW may write into the command line, so it gets a copy of its own.
  std::wstring line = win32::to_wide(command_line);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &started)) {
    win32::unique_handle process(started.hProcess);
    win32::unique_handle thread(started.hThread);
    return {true, false, 0};
  }
  const DWORD error = GetLastError();
  // A program whose manifest asks for administrator rights (updaters often do) is refused
  // here; the shell starts it with the system's consent prompt.
  if (error != elevation_required) return {false, false, error};
  const DWORD elevated = win32::start_with_consent(command_line);
  return {elevated == ERROR_SUCCESS, true, elevated};
}

void exit_process(int code) {
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(code));
}

}  // namespace platform
