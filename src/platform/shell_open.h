#pragma once
// Opening files and addresses the way the desktop does (ShellExecuteW with "open").
#include <string>
#include <string_view>

namespace platform {

// The Program Files folder where the system has one; empty otherwise.
std::u16string program_files_folder();

// Opens target with the desktop's handler for it, or, when parameters are given, starts the
// program target with them. Nobody waits for what it starts; false when nothing could start.
bool shell_open(std::u16string_view target, std::u16string_view parameters);

}  // namespace platform
