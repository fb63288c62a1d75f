// The hand-over channel's Linux side: raw senders on its socket and a foreign user at the other end.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/hand_over.h"
#include "platform/headless/headless_desktop.h"
#include "platform/linux/hand_over_socket.h"

namespace {

using platform::copy_data;

struct ChannelSocket : ::testing::Test {
  std::vector<copy_data> received;
  platform::window_handle window = platform::create_message_window(
      [](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; });
  std::unique_ptr<platform::hand_over_listener> listener = platform::listen_for_hand_over(
      window, [this](const copy_data& d) { received.push_back(d); });
};

TEST_F(ChannelSocket, AnOversizedHeaderFromAnotherSenderIsDroppedUnread) {
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
