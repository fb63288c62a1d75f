#pragma once
// A real process standing in for the running game: a copy of sleep(1) under a name of our
// choosing, ended and reaped when the object goes.
#include <sys/types.h>

#include <filesystem>

namespace install_testing {

class GameStandIn {
 public:
  // Copies sleep to program and starts it. When clearAfterExit is given, a shell waits for the
  // game and then removes that folder, as a game would release a file it held.
  GameStandIn(const std::filesystem::path& program, const std::filesystem::path& clearAfterExit = {});
  ~GameStandIn();
  GameStandIn(const GameStandIn&) = delete;
  GameStandIn& operator=(const GameStandIn&) = delete;

  pid_t gamePid() const { return game_; }
  // Waits up to timeoutMs for the game to end; true when it ended by SIGKILL.
  bool waitKilled(int timeoutMs);
  bool running() const;

 private:
  pid_t child_ = 0;  // the game, or the shell that waits for it
  pid_t game_ = 0;
  bool reaped_ = false;
};

}  // namespace install_testing
