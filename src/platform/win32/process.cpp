#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/process.h"
#include "platform/text.h"
#include "platform/win32/elevated_start.h"
#include "platform/win32/process_creation.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

// The system's own words for an error, without the line end it appends, and its number.
std::string system_reason(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string message = length ? win32::from_wide(text, length) : std::u16string();
  if (text) LocalFree(text);
  while (!message.empty() &&
         std::u16string_view(u"\r\n ").find(message.back()) != std::u16string_view::npos)
    message.pop_back();
  return to_ansi(message) + " (error " + std::to_string(error) + ")";
}

// ERROR_ELEVATION_REQUIRED, which the MinGW headers do not name.
constexpr DWORD elevation_required = 740;

}  // namespace

namespace win32 {

DWORD create_process(std::wstring& command_line) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
  }
  unique_handle process(started.hProcess);
  unique_handle thread(started.hThread);
  return ERROR_SUCCESS;
}

process_start start_process_with(std::u16string_view command_line,
                                 const create_process_call& create) {
  // The creation call may write into the command line, so it gets a copy of its own.
  std::wstring line = to_wide(command_line);
  const DWORD error = create(line);
  if (error == ERROR_SUCCESS) return {true, false, 0, {}};
  // A program whose manifest asks for administrator rights (updaters often do) is refused
  // here; the shell starts it with the system's consent prompt.
  if (error != elevation_required)
    return {false, false, error, "CreateProcessW: " + system_reason(error)};
  const DWORD elevated = start_with_consent(command_line);
  if (elevated == ERROR_SUCCESS) return {true, true, 0, {}};
  return {false, true, elevated, "ShellExecuteExW: " + system_reason(elevated)};
}

}  // namespace win32

process_start start_process(std::u16string_view command_line) {
  return win32::start_process_with(command_line, win32::create_process);
}

void exit_process(int code) {
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(code));
}

}  // namespace platform
