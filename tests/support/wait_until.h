#pragma once
// Waits for a condition that another process or thread brings about: checked every 50 ms up to
// a limit set generously, so that a loaded machine is only slower, never wrong.
#include <chrono>
#include <thread>

namespace testing_support {

template <typename Check>
bool wait_until(Check check, int limit_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  do {
    if (check()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  } while (std::chrono::steady_clock::now() < deadline);
  return check();
}

}  // namespace testing_support
