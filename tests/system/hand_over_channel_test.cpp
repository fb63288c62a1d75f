// The hand-over channel between two ends in this process, on every system.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "platform/clock.h"
#include "platform/hand_over.h"
#include "platform/headless/headless_desktop.h"

namespace {

using platform::copy_data;

struct Channel : ::testing::Test {
  std::vector<copy_data> received;
  platform::window_handle window = platform::create_message_window(
      [](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; });
  std::unique_ptr<platform::hand_over_listener> listener = platform::listen_for_hand_over(
      window, [this](const copy_data& d) { received.push_back(d); });

  // Sends from another thread while this one runs the loop, as two processes would.
  bool send_while_looping(const copy_data& request, std::uint32_t timeout_ms = 10000) {
    auto sent = std::async(std::launch::async, [&] {
      return platform::send_hand_over(listener->number(), request, timeout_ms);
    });
    while (sent.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
      platform::headless::run_for(20);
    return sent.get();
  }
};

TEST_F(Channel, TheTextArrivesWholeOnTheMainThreadBeforeTheSenderGoesOn) {
  ASSERT_TRUE(listener);
  EXPECT_GT(listener->number(), 0);
  std::u16string text = u"\"qzzefa://\u4e2d/\U0001F600/1\" \0 end";
  text.push_back(u'\0');
  const auto main_thread = platform::current_thread_id();
  std::uint32_t handled_on = 0;
  listener = platform::listen_for_hand_over(window, [&](const copy_data& d) {
    handled_on = platform::current_thread_id();
    received.push_back(d);
  });
  ASSERT_TRUE(send_while_looping({5000, text}));
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].dwData, 5000u);
  EXPECT_EQ(received[0].text, text);
  EXPECT_EQ(handled_on, main_thread);

  ASSERT_TRUE(send_while_looping({4999, u""}));
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[1].dwData, 4999u);
  EXPECT_EQ(received[1].text, u"");
}

TEST_F(Channel, RequestsUpTo64KiBPassAndLongerOnesAreRefused) {
  ASSERT_TRUE(listener);
  const std::u16string largest(platform::hand_over_max_bytes / 2, u'x');
  EXPECT_TRUE(send_while_looping({5000, largest}));
  EXPECT_FALSE(send_while_looping({5000, largest + u"x"}));
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].text.size(), largest.size());
}

TEST_F(Channel, ProbesAreNotRequestsAndGoneReceiversAreNotTargets) {
  ASSERT_TRUE(listener);
  const auto number = listener->number();
  EXPECT_TRUE(platform::hand_over_target_exists(number));
  EXPECT_TRUE(platform::hand_over_target_exists(number));
  platform::headless::run_for(50);
  EXPECT_TRUE(received.empty());
  listener.reset();
  EXPECT_FALSE(platform::hand_over_target_exists(number));
  EXPECT_FALSE(platform::send_hand_over(number, {5000, u"x"}, 1000));
  EXPECT_FALSE(platform::hand_over_target_exists(0));
  EXPECT_FALSE(platform::hand_over_target_exists(-1));
}

TEST_F(Channel, ASenderGivesUpWhenTheReceiverDoesNotHandleInTime) {
  ASSERT_TRUE(listener);
  // Nobody runs the loop here, so the request waits in the queue.
  EXPECT_FALSE(platform::send_hand_over(listener->number(), {5000, u"late"}, 300));
  EXPECT_TRUE(received.empty());
  platform::headless::run_for(100);
  ASSERT_EQ(received.size(), 1u) << "the request is still delivered once the loop runs";
  EXPECT_EQ(received[0].text, u"late");
}

TEST_F(Channel, TwoListenersOfOneProcessAnswerToDifferentNumbers) {
  ASSERT_TRUE(listener);
  std::vector<copy_data> other;
  auto second = platform::listen_for_hand_over(window, [&](const copy_data& d) { other.push_back(d); });
  ASSERT_TRUE(second);
  EXPECT_NE(second->number(), listener->number());
  auto sent = std::async(std::launch::async, [&] {
    return platform::send_hand_over(second->number(), {5000, u"to the second"}, 10000);
  });
  while (sent.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
    platform::headless::run_for(20);
  EXPECT_TRUE(sent.get());
  EXPECT_TRUE(received.empty());
  ASSERT_EQ(other.size(), 1u);
}

}  // namespace
