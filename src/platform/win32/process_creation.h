#pragma once
// The start of a program: the call that creates its process, and what the launcher makes of
// that call's answer. The call is a parameter, so that a refusal only some systems give (the
// one of a program that asks for administrator rights) can be brought about anywhere.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "platform/process.h"

namespace platform::win32 {

// Creates the process of a command line, which it may write into, and lets go of its handles:
// ERROR_SUCCESS, or the system's code for the refusal.
using create_process_call = std::function<DWORD(std::wstring& command_line)>;

// CreateProcessW; the new process inherits the current directory and environment.
DWORD create_process(std::wstring& command_line);

// start_process, with the process created by the given call.
process_start start_process_with(std::u16string_view command_line,
                                 const create_process_call& create);

}  // namespace platform::win32
