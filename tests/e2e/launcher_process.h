#pragma once
// The running launcher's process id, found by its program file: the program is started through
// a shell or a second start, so the tests hold no handle of their own to it.
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace testing_support {

inline pid_t launcher_process(const std::filesystem::path& program) {
  const std::filesystem::path wanted = std::filesystem::canonical(program);
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink(entry.path() / "exe", error);
    if (!error && exe == wanted) return static_cast<pid_t>(std::stol(entry.path().filename()));
  }
  return 0;
}

}  // namespace testing_support
