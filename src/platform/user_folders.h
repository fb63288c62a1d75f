#pragma once
// Per-user folders, in the core's form ("\" separators, no trailing separator).
#include <string>

namespace platform {

// Where per-user application data lives: the roaming application-data folder on Windows, the
// XDG config folder on Linux (created when missing). Empty when there is none.
std::u16string app_data_folder();

// The name of the launcher's own folder in each per-user folder: its settings ("conf.ini")
// below app_data_folder, and on Linux the browser's storage and cache below the XDG data and
// cache folders. One name, so that an uninstaller knows every place the launcher writes to.
inline constexpr char16_t launcher_user_folder_name[] = u"QzLauncherZEFA";

}  // namespace platform
