#pragma once
// A real process standing in for the running game, started from a copy of a program that only
// waits, under a name of our choosing; ended and reaped when the object goes.
#include <cstdint>
#include <filesystem>
#include <memory>

namespace install_testing {

class GameStandIn {
 public:
  // Copies the waiting program to program and starts it. When clearAfterExit is given, that
  // folder is removed as soon as the game has ended, as a game would release a file it held.
  GameStandIn(const std::filesystem::path& program, const std::filesystem::path& clearAfterExit = {});
  ~GameStandIn();
  GameStandIn(const GameStandIn&) = delete;
  GameStandIn& operator=(const GameStandIn&) = delete;

  std::uint32_t gamePid() const;
  // Waits up to timeoutMs for the game to end. True when it was ended from outside (killed)
  // rather than on its own, and, with clearAfterExit, once that folder is gone.
  bool waitKilled(int timeoutMs);
  bool running() const;

 private:
  struct Process;
  std::unique_ptr<Process> process_;
};

}  // namespace install_testing
