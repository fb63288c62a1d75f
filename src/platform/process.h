#pragma once
// Starting and ending processes.
#include <string_view>

namespace platform {

// Starts a program from a Windows-style command line: the program first, quoted when it holds
// blanks, then the arguments, split by the Windows rules (a quoted argument stays one). The new
// process inherits the current directory and environment; nobody waits for it.
bool start_process(std::u16string_view command_line);

// Ends the whole process at once with the code, every thread included.
[[noreturn]] void exit_process(int code);

}  // namespace platform
