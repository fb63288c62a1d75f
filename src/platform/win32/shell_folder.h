#pragma once
// Special folders through SHGetFolderPathW, looked up at run time so the program still starts
// where shell32 lacks it.
#include <optional>
#include <string>

namespace platform::win32 {

inline constexpr int csidl_appdata = 0x1A;
inline constexpr int csidl_program_files = 0x26;

// The folder in the core's form; nullopt when the call is missing or fails.
std::optional<std::u16string> shell_folder_path(int csidl);

}  // namespace platform::win32
