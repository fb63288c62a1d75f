#include "update/game_stand_in.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace install_testing {

namespace fs = std::filesystem;

namespace {

// What the shell of clearAfterExit exits with when the game died of SIGKILL.
constexpr int SHELL_STATUS_OF_KILLED = 128 + SIGKILL;

pid_t spawn(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : 0;
}

// The process state letter from /proc; 'Z' for a zombie, 0 when it is gone.
char stateOf(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string content((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const auto close = content.rfind(')');
  return close == std::string::npos || close + 2 >= content.size() ? 0 : content[close + 2];
}

}  // namespace

struct GameStandIn::Process {
  pid_t child = 0;  // the game, or the shell that waits for it
  pid_t game = 0;
  bool reaped = false;
};

GameStandIn::GameStandIn(const fs::path& program, const fs::path& clearAfterExit)
    : process_(std::make_unique<Process>()) {
  Process& p = *process_;
  fs::copy_file(fs::canonical("/bin/sleep"), program, fs::copy_options::overwrite_existing);
  if (clearAfterExit.empty()) {
    p.child = p.game = spawn({program.string(), "120"});
  } else {
    const fs::path pidFile = program.string() + ".pid";
    p.child = spawn({"/bin/sh", "-c", "\"$0\" 120 & echo $! > \"$1\"; wait $!; status=$?; rm -rf \"$2\"; exit $status",
                     program.string(), pidFile.string(), clearAfterExit.string()});
    for (int i = 0; i < 500 && p.game == 0; ++i) {
      std::ifstream in(pidFile);
      if (!(in >> p.game)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  EXPECT_NE(p.game, 0) << "the stand-in game did not start";
  // Until exec has happened the process still runs the spawner's program.
  for (int i = 0; i < 500 && p.game != 0; ++i) {
    std::error_code ignored;
    if (fs::read_symlink("/proc/" + std::to_string(p.game) + "/exe", ignored) == program) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

GameStandIn::~GameStandIn() {
  const Process& p = *process_;
  if (p.game != 0 && stateOf(p.game) != 0 && stateOf(p.game) != 'Z') kill(p.game, SIGKILL);
  if (p.child != 0 && !p.reaped) waitpid(p.child, nullptr, 0);
}

std::uint32_t GameStandIn::gamePid() const { return static_cast<std::uint32_t>(process_->game); }

bool GameStandIn::running() const {
  const char state = process_->game != 0 ? stateOf(process_->game) : 0;
  return state != 0 && state != 'Z';
}

bool GameStandIn::waitKilled(int timeoutMs) {
  Process& p = *process_;
  if (p.child == 0) return false;
  for (int waited = 0; waited < timeoutMs; waited += 10) {
    int status = 0;
    if (waitpid(p.child, &status, WNOHANG) == p.child) {
      p.reaped = true;
      if (p.child != p.game) {
        // The shell reaps the game and has removed the folder before it ends.
        return WIFEXITED(status) && WEXITSTATUS(status) == SHELL_STATUS_OF_KILLED;
      }
      return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace install_testing
