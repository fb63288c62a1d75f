// The hand-over channel between two ends in this process, and a foreign user at the other end.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <future>
#include <thread>

#include "platform/clock.h"
#include "platform/hand_over.h"
#include "platform/headless/headless_desktop.h"
#include "platform/linux/hand_over_socket.h"

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

TEST_F(Channel, AnOversizedHeaderFromAnotherSenderIsDroppedUnread) {
  ASSERT_TRUE(listener);
  auto raw = platform::linux_impl::connect_to_hand_over(listener->number(), 1000);
  ASSERT_TRUE(raw);
  const unsigned char header[8] = {0x88, 0x13, 0, 0, 0x01, 0x00, 0x01, 0x00};  // 65537 bytes
  ASSERT_EQ(send(raw.get(), header, sizeof header, MSG_NOSIGNAL), 8);
  char answer = 0;
  timeval limit{5, 0};
  setsockopt(raw.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  EXPECT_EQ(recv(raw.get(), &answer, 1, 0), 0) << "the receiver closes without answering";
  platform::headless::run_for(50);
  EXPECT_TRUE(received.empty());
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

TEST(ChannelCredentials, APeerOfThisUserIsAccepted) {
  int ends[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
  EXPECT_TRUE(platform::linux_impl::peer_is_same_user(ends[0]));
  close(ends[0]);
  close(ends[1]);
  EXPECT_FALSE(platform::linux_impl::peer_is_same_user(-1));
}

// Another user connects (a child that drops to "nobody"): its request is refused unread, and
// a listener of another user is no target for us.
TEST(ChannelCredentials, AnotherUserIsRefusedBothWays) {
  if (geteuid() != 0) GTEST_SKIP() << "switching users needs root; the check is tested above";
  constexpr uid_t nobody = 65534;
  std::vector<copy_data> received;
  const auto window = platform::create_message_window(
      [](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; });
  auto listener = platform::listen_for_hand_over(
      window, [&](const copy_data& d) { received.push_back(d); });
  ASSERT_TRUE(listener);
  const auto number = listener->number();
  const auto own = platform::linux_impl::hand_over_address_for(geteuid(), number);

  const pid_t child = fork();
  if (child == 0) {
    if (setgid(nobody) != 0 || setuid(nobody) != 0) _exit(10);
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    // The name of root's listener, reached directly by the foreign user.
    if (connect(s, reinterpret_cast<const sockaddr*>(&own.address), own.length) != 0) _exit(11);
    const unsigned char request[10] = {0x88, 0x13, 0, 0, 2, 0, 0, 0, 'x', 0};
    // The receiver may close before the request is even written: refused as well.
    if (send(s, request, sizeof request, MSG_NOSIGNAL) != 10) _exit(0);
    timeval limit{5, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    char answer = 0;
    const ssize_t got = recv(s, &answer, 1, 0);
    // Closed without an answer, as it should be; a time-out (EAGAIN) means it was kept.
    _exit(got == 0 || (got < 0 && errno == ECONNRESET) ? 0 : 13);
  }
  ASSERT_GT(child, 0);
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) platform::headless::run_for(20);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  platform::headless::run_for(50);
  EXPECT_TRUE(received.empty());

  // A foreign listener squatting on our name is not taken for a launcher of ours.
  listener.reset();
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t squatter = fork();
  if (squatter == 0) {
    if (setgid(nobody) != 0 || setuid(nobody) != 0) _exit(10);
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    if (bind(s, reinterpret_cast<const sockaddr*>(&own.address), own.length) != 0) _exit(11);
    listen(s, 4);
    [[maybe_unused]] auto ignored = write(ready[1], "r", 1);
    sleep(10);
    _exit(0);
  }
  char r = 0;
  ASSERT_EQ(read(ready[0], &r, 1), 1);
  EXPECT_FALSE(platform::hand_over_target_exists(number));
  EXPECT_FALSE(platform::send_hand_over(number, {5000, u"secret"}, 1000));
  kill(squatter, SIGKILL);
  waitpid(squatter, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
}

}  // namespace
