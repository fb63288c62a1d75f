#pragma once
// Starting a program that asks for administrator rights. CreateProcessW refuses such a program
// (ERROR_ELEVATION_REQUIRED); the shell starts it after the system's consent prompt.
#include <windows.h>

#include <string>
#include <string_view>

namespace platform::win32 {

// A command line as CreateProcessW reads it: the program, then the rest of the line untouched.
// An unquoted program path with blanks is taken, as CreateProcessW takes it, up to the first
// blank at which it names an existing file (".exe" may be left off).
struct program_and_arguments {
  std::wstring program;
  std::wstring arguments;
};
program_and_arguments split_program(std::wstring_view command_line);

// Starts the command line through the shell with the consent prompt, in the current directory,
// and returns once it was started or refused: ERROR_SUCCESS, or the system's code
// (ERROR_CANCELLED when the player declined).
DWORD start_with_consent(std::u16string_view command_line);

}  // namespace platform::win32
