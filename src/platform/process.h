#pragma once
// Starting and ending processes.
#include <string>
#include <string_view>

namespace platform {

// Starts a program from a Windows-style command line: the program first, quoted when it holds
// blanks, then the arguments, split by the Windows rules (a quoted argument stays one). The new
// process inherits the current directory and environment; nobody waits for it. False when the
// program could not be started; failure_reason then receives the system's reason (narrow text
// in the ANSI code page, for the log).
bool start_process(std::u16string_view command_line, std::string* failure_reason = nullptr);

// Ends the whole process at once with the code, every thread included.
[[noreturn]] void exit_process(int code);

}  // namespace platform
