#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/command_line.h"
#include "platform/linux/native_path.h"
#include "platform/process.h"
#include "platform/text.h"

extern char** environ;

namespace platform {

namespace {

bool is_executable_file(const std::u16string& path) {
  const std::string native = linux_impl::native_path(path);
  struct stat st {};
  return stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(native.c_str(), X_OK) == 0;
}

bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

// An unquoted program path with blanks in it is ambiguous; like CreateProcessW, take the
// shortest prefix that ends before a blank (or the whole line) and names an executable file as
// the program. The prefix is the line's own text: a folder named "My" is no program, and a path
// with two blanks or a tab in a row keeps them.
std::vector<std::u16string> program_and_arguments(std::u16string_view command_line) {
  if (command_line.empty() || command_line.front() == u'"') return split_command_line(command_line);
  for (std::size_t end = 1; end < command_line.size(); ++end) {
    if (!is_blank(command_line[end]) || is_blank(command_line[end - 1])) continue;
    const std::u16string candidate(command_line.substr(0, end));
    if (!is_executable_file(candidate)) continue;
    std::vector<std::u16string> args{candidate};
    const auto rest = split_command_line(command_line.substr(end));
    args.insert(args.end(), rest.begin(), rest.end());
    return args;
  }
  // The whole line may be the program alone, as the updater's is.
  std::u16string_view whole = command_line;
  while (!whole.empty() && is_blank(whole.back())) whole.remove_suffix(1);
  if (is_executable_file(std::u16string(whole))) return {std::u16string(whole)};
  return split_command_line(command_line);
}

}  // namespace

process_start start_process(std::u16string_view command_line) {
  const auto args = program_and_arguments(command_line);
  if (args.empty()) return {false, false, static_cast<std::uint32_t>(ENOENT), "no program found"};
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
  if (rc != 0) {
    return {false, false, static_cast<std::uint32_t>(rc),
            storage[0] + ": " + std::generic_category().message(rc)};
  }
  // Nobody waits for the program; a detached reaper keeps it from lingering as a zombie.
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return {true, false, 0, {}};
}

void exit_process(int code) {
  std::fflush(nullptr);
  std::_Exit(code);
}

}  // namespace platform
