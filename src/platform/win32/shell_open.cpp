#include <windows.h>

#include <shellapi.h>

#include "platform/shell_open.h"
#include "platform/win32/shell_folder.h"
#include "platform/win32/wide_text.h"

namespace platform {

using win32::to_wide;

std::u16string program_files_folder() {
  return win32::shell_folder_path(win32::csidl_program_files).value_or(std::u16string{});
}

bool shell_open(std::u16string_view target, std::u16string_view parameters) {
  if (target.empty()) return false;
  const std::wstring file = to_wide(target);
  const std::wstring arguments = to_wide(parameters);
  const HINSTANCE result =
      ShellExecuteW(nullptr, L"open", file.c_str(), parameters.empty() ? nullptr : arguments.c_str(),
                    nullptr, SW_SHOWNORMAL);
  // Values above 32 mean success; everything else is an error code.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace platform
