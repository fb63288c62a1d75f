#include "support/child_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace testing_support {

child_result run_child(const std::filesystem::path& program, const std::vector<std::string>& args,
                       const std::filesystem::path& working_folder,
                       const std::map<std::string, std::string>& extra_environment,
                       int timeout_ms) {
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipe_ends[1], 1);
    dup2(pipe_ends[1], 2);
    if (chdir(working_folder.c_str()) != 0) _exit(127);
    for (const auto& [name, value] : extra_environment) setenv(name.c_str(), value.c_str(), 1);
    std::vector<std::string> storage{program.string()};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipe_ends[1]);
  child_result result;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  char buffer[4096];
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          end - std::chrono::steady_clock::now()).count();
    if (left <= 0) {
      kill(pid, SIGKILL);
      break;
    }
    pollfd wait_for{pipe_ends[0], POLLIN, 0};
    if (poll(&wait_for, 1, static_cast<int>(left)) <= 0) continue;
    const ssize_t n = read(pipe_ends[0], buffer, sizeof buffer);
    if (n <= 0) break;  // every holder of the pipe has closed it
    result.output.append(buffer, static_cast<std::size_t>(n));
  }
  close(pipe_ends[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace testing_support
