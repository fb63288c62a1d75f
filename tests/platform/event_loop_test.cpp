// The desktop's event loop (the GLib main loop on Linux, the message queue on Windows):
// messages posted from many threads arrive in order per thread and all of them; timers tick,
// stop themselves and re-arm; quit ends the loop.
#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

#include "platform/event_loop.h"

namespace {

constexpr std::uint32_t message_work = 0x465;
constexpr std::uint32_t message_done = 0x466;

TEST(EventLoop, MessagesFromWorkersAllArriveInTheirOrder) {
  constexpr int workers = 4;
  constexpr int per_worker = 500;
  std::map<std::uintptr_t, std::vector<std::intptr_t>> received;
  int done = 0;
  const auto window = platform::create_message_window(
      [&](std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
        if (message == message_work) received[wparam].push_back(lparam);
        if (message == message_done && ++done == workers) platform::post_quit_message(7);
        return std::intptr_t{0};
      });
  std::vector<std::thread> threads;
  for (int w = 0; w < workers; ++w)
    threads.emplace_back([=] {
      for (int i = 0; i < per_worker; ++i)
        EXPECT_TRUE(platform::post_message(window, message_work, static_cast<std::uintptr_t>(w), i));
      platform::post_message(window, message_done, 0, 0);
    });
  EXPECT_EQ(platform::run_message_loop(), 7);
  for (auto& thread : threads) thread.join();
  ASSERT_EQ(received.size(), std::size_t{workers});
  for (const auto& [worker, values] : received) {
    ASSERT_EQ(values.size(), std::size_t{per_worker}) << "worker " << worker;
    for (int i = 0; i < per_worker; ++i) EXPECT_EQ(values[i], i);
  }
}

TEST(EventLoop, PostingToAWindowThatDoesNotExistFails) {
  EXPECT_FALSE(platform::post_message(0xdead, message_work, 0, 0));
  EXPECT_FALSE(platform::set_timer(0xdead, 1, 10));
  EXPECT_FALSE(platform::window_exists(0xdead));
}

TEST(EventLoop, TimersTickUntilStoppedAndAStopInsideTheTickHolds) {
  std::map<std::uintptr_t, int> ticks;
  platform::window_handle window = 0;
  window = platform::create_message_window([&](std::uint32_t message, std::uintptr_t id, std::intptr_t) {
    if (message != platform::message_timer) return std::intptr_t{0};
    ++ticks[id];
    if (id == 1 && ticks[1] == 3) {
      EXPECT_TRUE(platform::kill_timer(window, 1));
    }
    if (id == 2 && ticks[2] == 1) platform::set_timer(window, 2, 5);  // re-armed from its tick
    if (id == 3) {
      platform::kill_timer(window, 3);
      platform::post_quit_message(0);
    }
    return std::intptr_t{0};
  });
  ASSERT_TRUE(platform::set_timer(window, 1, 5));
  ASSERT_TRUE(platform::set_timer(window, 2, 5));
  ASSERT_TRUE(platform::set_timer(window, 3, 300));
  ASSERT_TRUE(platform::set_timer(window, 4, 5));
  ASSERT_TRUE(platform::kill_timer(window, 4));
  EXPECT_FALSE(platform::kill_timer(window, 4));
  EXPECT_EQ(platform::run_message_loop(), 0);
  EXPECT_EQ(ticks[1], 3);
  EXPECT_GT(ticks[2], 3) << "re-arming keeps the timer going";
  EXPECT_EQ(ticks[3], 1);
  EXPECT_EQ(ticks.count(4), 0u);
  platform::kill_timer(window, 2);
}

TEST(EventLoop, AQuitPostedBeforeTheLoopEndsItAtOnce) {
  platform::post_quit_message(3);
  EXPECT_EQ(platform::run_message_loop(), 3);
  // The next loop runs again until its own quit.
  const auto window = platform::create_message_window(
      [](std::uint32_t, std::uintptr_t, std::intptr_t) {
        platform::post_quit_message(4);
        return std::intptr_t{0};
      });
  platform::post_message(window, message_work, 0, 0);
  EXPECT_EQ(platform::run_message_loop(), 4);
}

}  // namespace
