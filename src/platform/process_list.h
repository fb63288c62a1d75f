#pragma once
// The running processes, as far as this user may inspect them, and ending one of them.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct running_process {
  std::uint32_t id = 0;
  std::u16string program_path;  // full path of the program file, in the core's form
};

// In ascending id order. Processes whose program cannot be read are left out.
std::vector<running_process> list_processes();

// Ends the process at once (it gets no chance to clean up); false when that is not allowed
// or the process no longer exists.
bool terminate_process(std::uint32_t id);

}  // namespace platform
