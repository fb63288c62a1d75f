// An in-process event loop: a queue of posted messages and a list of timers, handled on the
// thread that runs the loop.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <set>

#include "platform/process_lifetime.h"
#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/headless/headless_desktop.h"

namespace platform {

namespace {

struct posted {
  window_handle window;
  std::uint32_t message;
  std::uintptr_t wparam;
  std::intptr_t lparam;
};

struct timer {
  std::uint32_t period_ms;
  std::uint32_t due;  // tick count
};

struct loop_state {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<posted> queue;
  std::map<window_handle, window_procedure> windows;
  std::map<std::pair<window_handle, std::uintptr_t>, timer> timers;
  window_handle next_window = 0x10000;
  bool quit = false;
  int quit_code = 0;
};

loop_state& state() { return process_lifetime_object<loop_state>(); }

bool due(std::uint32_t now, std::uint32_t when) {
  return static_cast<std::int32_t>(now - when) >= 0;
}

// Handles one posted message or one due timer; false when nothing was ready.
bool dispatch_one() {
  auto& s = state();
  std::unique_lock lock(s.mutex);
  posted next{};
  bool have = false;
  if (!s.queue.empty()) {
    next = s.queue.front();
    s.queue.pop_front();
    have = true;
  } else {
    const auto now = tick_count();
    for (auto& [key, t] : s.timers) {
      if (due(now, t.due)) {
        t.due = now + t.period_ms;
        next = {key.first, message_timer, key.second, 0};
        have = true;
        break;
      }
    }
  }
  if (!have) return false;
  const auto found = s.windows.find(next.window);
  if (found == s.windows.end()) return true;
  window_procedure procedure = found->second;
  lock.unlock();
  procedure(next.message, next.wparam, next.lparam);
  return true;
}

std::uint32_t wait_limit_ms() {
  auto& s = state();
  std::uint32_t limit = 50;
  const auto now = tick_count();
  for (const auto& [key, t] : s.timers) {
    const auto left = static_cast<std::int32_t>(t.due - now);
    limit = std::min<std::uint32_t>(limit, left > 0 ? static_cast<std::uint32_t>(left) : 0);
  }
  return limit;
}

}  // namespace

window_handle create_message_window(window_procedure procedure) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  const window_handle handle = s.next_window++;
  s.windows[handle] = std::move(procedure);
  return handle;
}

bool window_exists(window_handle window) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return s.windows.count(window) != 0;
}

void destroy_window(window_handle window) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.windows.erase(window);
  std::erase_if(s.timers, [window](const auto& entry) { return entry.first.first == window; });
  std::erase_if(s.queue, [window](const posted& p) { return p.window == window; });
}

bool post_message(window_handle window, std::uint32_t message, std::uintptr_t wparam,
                  std::intptr_t lparam) {
  auto& s = state();
  {
    std::lock_guard lock(s.mutex);
    if (!s.windows.count(window)) return false;
    s.queue.push_back({window, message, wparam, lparam});
  }
  s.wake.notify_all();
  return true;
}

bool set_timer(window_handle window, std::uintptr_t timer_id, std::uint32_t period_ms) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  if (!s.windows.count(window)) return false;
  s.timers[{window, timer_id}] = {period_ms, tick_count() + period_ms};
  return true;
}

bool kill_timer(window_handle window, std::uintptr_t timer_id) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return s.timers.erase({window, timer_id}) != 0;
}

void post_quit_message(int exit_code) {
  auto& s = state();
  {
    std::lock_guard lock(s.mutex);
    s.quit = true;
    s.quit_code = exit_code;
  }
  s.wake.notify_all();
}

namespace {

// Handles everything that is ready, then waits at most max_wait_ms for more. Returns whether
// a quit message arrived (and takes it, with its code).
bool run_once(std::uint32_t max_wait_ms, int& quit_code) {
  auto& s = state();
  while (dispatch_one()) {
    std::lock_guard lock(s.mutex);
    if (s.quit) break;
  }
  std::unique_lock lock(s.mutex);
  if (s.quit) {
    s.quit = false;
    quit_code = s.quit_code;
    return true;
  }
  s.wake.wait_for(lock, std::chrono::milliseconds(std::min(wait_limit_ms(), max_wait_ms)));
  return false;
}

}  // namespace

int run_message_loop() {
  int quit_code = 0;
  while (!run_once(50, quit_code)) {
  }
  return quit_code;
}

namespace headless {

bool run_for(std::uint32_t until_ms) {
  const auto end = tick_count() + until_ms;
  int ignored = 0;
  while (!due(tick_count(), end)) {
    if (run_once(10, ignored)) return true;
  }
  return false;
}

bool run_until(const std::function<bool()>& done, std::uint32_t until_ms) {
  auto& s = state();
  const auto end = tick_count() + until_ms;
  while (!done()) {
    if (due(tick_count(), end)) return false;
    if (dispatch_one()) continue;
    std::unique_lock lock(s.mutex);
    if (s.queue.empty())
      s.wake.wait_for(lock, std::chrono::milliseconds(std::min<std::uint32_t>(wait_limit_ms(), 10)));
  }
  return true;
}

}  // namespace headless

}  // namespace platform
