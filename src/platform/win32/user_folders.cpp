#include <windows.h>

#include "platform/user_folders.h"
#include "platform/win32/shell_folder.h"
#include "platform/win32/wide_text.h"

namespace platform {

std::u16string app_data_folder() {
  if (auto folder = win32::shell_folder_path(win32::csidl_appdata)) return *folder;
  // Systems without SHGetFolderPathW keep the folder under the Windows folder.
  wchar_t path[MAX_PATH] = {};
  if (GetWindowsDirectoryW(path, MAX_PATH) == 0) return {};
  return win32::from_wide(path) + u"\\Application Data";
}

}  // namespace platform
