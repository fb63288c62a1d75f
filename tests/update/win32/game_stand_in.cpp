#include "update/game_stand_in.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "platform/win32/unique_handle.h"
#include "support/file_facts.h"

namespace install_testing {

namespace fs = std::filesystem;

namespace {

// Built beside the test programs (tests/update/CMakeLists.txt).
constexpr const wchar_t* WAITING_PROGRAM = L"waiting_game.exe";
// The launcher ends a game with TerminateProcess and this code; the program's own is another.
constexpr DWORD EXIT_CODE_OF_KILLED = 0;

}  // namespace

struct GameStandIn::Process {
  Process(HANDLE process, DWORD processId) : game(process), id(processId) {}
  platform::win32::unique_handle game;
  DWORD id = 0;
  // Removes clearAfterExit once the game has ended: the file the game held is free then.
  std::thread releaser;
  std::atomic<bool> released{false};
};

GameStandIn::GameStandIn(const fs::path& program, const fs::path& clearAfterExit) {
  const fs::path waiting = testing_support::own_program().parent_path() / WAITING_PROGRAM;
  std::error_code copyError;
  fs::copy_file(waiting, program, fs::copy_options::overwrite_existing, copyError);
  EXPECT_FALSE(copyError) << "cannot copy " << waiting << ": " << copyError.message();

  std::wstring commandLine = L"\"" + program.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  DWORD startError = 0;
  // Detached and without inherited handles: the game must not hold the test's output open.
  if (CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS,
                     nullptr, nullptr, &startup, &started)) {
    const platform::win32::unique_handle thread(started.hThread);
    process_ = std::make_unique<Process>(started.hProcess, started.dwProcessId);
  } else {
    startError = GetLastError();
    process_ = std::make_unique<Process>(nullptr, 0);
  }
  Process& p = *process_;
  EXPECT_NE(p.id, 0u) << "the stand-in game did not start: error " << startError;
  if (p.id != 0 && !clearAfterExit.empty()) {
    p.releaser = std::thread([&p, clearAfterExit] {
      WaitForSingleObject(p.game.get(), INFINITE);
      std::error_code ignored;
      fs::remove_all(clearAfterExit, ignored);
      p.released = true;
    });
  }
}

GameStandIn::~GameStandIn() {
  Process& p = *process_;
  if (p.game.valid() && WaitForSingleObject(p.game.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(p.game.get(), 1);
    WaitForSingleObject(p.game.get(), 10000);
  }
  if (p.releaser.joinable()) p.releaser.join();
}

std::uint32_t GameStandIn::gamePid() const { return process_->id; }

bool GameStandIn::running() const {
  return process_->game.valid() && WaitForSingleObject(process_->game.get(), 0) == WAIT_TIMEOUT;
}

bool GameStandIn::waitKilled(int timeoutMs) {
  Process& p = *process_;
  if (!p.game.valid()) return false;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  if (WaitForSingleObject(p.game.get(), static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) return false;
  if (p.releaser.joinable()) {
    while (!p.released && GetTickCount64() < deadline) Sleep(10);
    if (!p.released) return false;
  }
  DWORD code = 0;
  return GetExitCodeProcess(p.game.get(), &code) && code == EXIT_CODE_OF_KILLED;
}

}  // namespace install_testing
