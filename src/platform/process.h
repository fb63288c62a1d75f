#pragma once
// Starting and ending processes.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// How a start went.
struct process_start {
  bool started = false;
  // The program asks for administrator rights, which Windows gives only through its consent
  // prompt: it was handed to the system to start that way (started tells how that went).
  bool needed_elevation = false;
  std::uint32_t error = 0;  // the system's code when it was not started
  std::string reason;       // and its words (narrow text in the ANSI code page, for the log)
};

// Starts a program from a Windows-style command line: the program first, quoted when it holds
// blanks, then the arguments, split by the Windows rules (a quoted argument stays one). The new
// process inherits the current directory and environment; nobody waits for it.
process_start start_process(std::u16string_view command_line);

// Ends the whole process at once with the code, every thread included.
[[noreturn]] void exit_process(int code);

}  // namespace platform
