#pragma once
// Waiting for a condition rather than for a guessed time, and timing what a test does.
#include <chrono>
#include <thread>

namespace testing_support {

// Asks condition every few milliseconds until it holds or the limit has passed; whether it
// held. The limit is for a fault that never lets it hold: make it generous, so that a loaded
// machine is only slower, never wrong.
template <typename Condition>
bool wait_until(Condition&& condition, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

template <typename Condition>
bool wait_until(Condition&& condition, int limit_ms) {
  return wait_until(condition, std::chrono::milliseconds(limit_ms));
}

// How long action took, by the monotonic clock.
template <typename Action>
std::chrono::steady_clock::duration time_of(Action&& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::steady_clock::now() - start;
}

}  // namespace testing_support
