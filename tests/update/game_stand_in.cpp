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

GameStandIn::GameStandIn(const fs::path& program, const fs::path& clearAfterExit) {
  fs::copy_file(fs::canonical("/bin/sleep"), program, fs::copy_options::overwrite_existing);
  if (clearAfterExit.empty()) {
    child_ = game_ = spawn({program.string(), "120"});
  } else {
    const fs::path pidFile = program.string() + ".pid";
    child_ = spawn({"/bin/sh", "-c", "\"$0\" 120 & echo $! > \"$1\"; wait; rm -rf \"$2\"", program.string(),
                    pidFile.string(), clearAfterExit.string()});
    for (int i = 0; i < 500 && game_ == 0; ++i) {
      std::ifstream in(pidFile);
      if (!(in >> game_)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  EXPECT_NE(game_, 0) << "the stand-in game did not start";
  // Until exec has happened the process still runs the spawner's program.
  for (int i = 0; i < 500 && game_ != 0; ++i) {
    std::error_code ignored;
    if (fs::read_symlink("/proc/" + std::to_string(game_) + "/exe", ignored) == program) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

GameStandIn::~GameStandIn() {
  if (game_ != 0 && stateOf(game_) != 0 && stateOf(game_) != 'Z') kill(game_, SIGKILL);
  if (child_ != 0 && !reaped_) waitpid(child_, nullptr, 0);
}

bool GameStandIn::running() const {
  const char state = game_ != 0 ? stateOf(game_) : 0;
  return state != 0 && state != 'Z';
}

bool GameStandIn::waitKilled(int timeoutMs) {
  if (child_ != game_) {
    // The shell reaps the game; its own end means the game has ended and the folder is gone.
    for (int waited = 0; waited < timeoutMs; waited += 10) {
      if (waitpid(child_, nullptr, WNOHANG) == child_) {
        reaped_ = true;
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  for (int waited = 0; waited < timeoutMs; waited += 10) {
    int status = 0;
    if (waitpid(child_, &status, WNOHANG) == child_) {
      reaped_ = true;
      return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace install_testing
