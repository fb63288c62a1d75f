#include <spawn.h>
#include <unistd.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/command_line.h"
#include "platform/linux/native_path.h"
#include "platform/process.h"
#include "platform/text.h"

extern char** environ;

namespace platform {

namespace {

// An unquoted program path with blanks in it is ambiguous; like CreateProcessW, take the
// shortest run of blank-separated pieces that names an existing file as the program.
std::vector<std::u16string> program_and_arguments(std::u16string_view command_line) {
  auto args = split_command_line(command_line);
  if (args.size() < 2 || command_line.empty() || command_line.front() == u'"') return args;
  std::u16string candidate = args[0];
  for (std::size_t taken = 1; taken < args.size(); ++taken) {
    if (access(linux_impl::native_path(candidate).c_str(), X_OK) == 0) {
      std::vector<std::u16string> joined{candidate};
      joined.insert(joined.end(), args.begin() + static_cast<std::ptrdiff_t>(taken), args.end());
      return joined;
    }
    candidate += u' ' + args[taken];
  }
  if (access(linux_impl::native_path(candidate).c_str(), X_OK) == 0) return {candidate};
  return args;
}

}  // namespace

process_start start_process(std::u16string_view command_line) {
  const auto args = program_and_arguments(command_line);
  if (args.empty()) return {false, false, static_cast<std::uint32_t>(ENOENT)};
  std::vector<std::string> storage;
  storage.push_back(linux_impl::native_path(args[0]));
  for (std::size_t i = 1; i < args.size(); ++i) storage.push_back(to_utf8(args[i]));
  std::vector<char*> argv;
  for (auto& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  const bool has_folder = storage[0].find('/') != std::string::npos;
  const int rc = has_folder ? posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ)
                            : posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (rc != 0) return {false, false, static_cast<std::uint32_t>(rc)};
  // Nobody waits for the program; a detached reaper keeps it from lingering as a zombie.
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return {true, false, 0};
}

void exit_process(int code) {
  std::fflush(nullptr);
  std::_Exit(code);
}

}  // namespace platform
