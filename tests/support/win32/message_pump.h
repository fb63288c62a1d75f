#pragma once
// Running the thread's messages from a test, as the launcher's loop would.
#include <windows.h>

#include <chrono>
#include <functional>
#include <future>

namespace testing_support {

// Handles this thread's messages until done() holds or until_ms have passed; returns done().
// A quit message ends the pump early and is left in the queue for the test to see.
bool pump_until(const std::function<bool()>& done, DWORD until_ms);
void pump_for(DWORD ms);

// The bound of a wait for what must come: far above what a loaded machine takes, as only a
// fault should ever reach it.
constexpr DWORD patience_ms = 20000;

// Pumps until another thread's result, which may need this thread's messages, is there.
template <class T>
bool pump_until_ready(const std::future<T>& result, DWORD until_ms = patience_ms) {
  return pump_until(
      [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
      until_ms);
}

}  // namespace testing_support
