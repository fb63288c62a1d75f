#pragma once
// Runs the desktop's loop until a condition holds or a time limit passes.
#include <chrono>
#include <functional>

#include "platform/event_loop.h"

namespace testing_support {

inline bool run_until(const std::function<bool()>& done, int limit_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  bool met = done();
  platform::window_handle watcher = 0;
  watcher = platform::create_message_window([&](std::uint32_t, std::uintptr_t, std::intptr_t) {
    met = done();
    if (met || std::chrono::steady_clock::now() >= deadline) {
      platform::kill_timer(watcher, 1);
      platform::post_quit_message(0);
    }
    return std::intptr_t{0};
  });
  if (met) return true;
  platform::set_timer(watcher, 1, 10);
  platform::run_message_loop();
  return met;
}

}  // namespace testing_support
