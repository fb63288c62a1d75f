#pragma once
// Per-user folders, in the core's form ("\" separators, no trailing separator).
#include <string>

namespace platform {

// Where per-user application data lives: the roaming application-data folder on Windows, the
// XDG config folder on Linux (created when missing). Empty when there is none.
std::u16string app_data_folder();

}  // namespace platform
