#pragma once
// The one browser context of the launcher's web views.
#include <webkit2/webkit2.h>

namespace platform::webkit {

// Keeps the browser's storage and cache in the launcher's own per-user folders (see
// launcher_user_folder_name). Left to itself WebKit names them after the program file,
// "launcher", a name other programs may use too, so that an uninstaller could neither find nor
// safely remove them. Shared by every view; lives as long as the process.
WebKitWebContext* launcher_web_context();

}  // namespace platform::webkit
