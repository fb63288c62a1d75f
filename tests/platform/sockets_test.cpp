// The socket seam against real peers on loopback: the same WinSock error numbers and readiness
// answers on every system, as the HTTP client and the error report rely on them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/sockets.h"
#include "support/loopback_peer.h"

namespace {

namespace net = platform::net;
using testing_support::loopback_peer;

std::uint32_t loopback() { return *net::parse_ipv4("127.0.0.1"); }

struct Sockets : ::testing::Test {
  void SetUp() override {
    std::uint16_t granted = 0;
    ASSERT_EQ(net::startup(0x0202, &granted), 0);
    EXPECT_EQ(granted, 0x0202);
  }
  void TearDown() override { net::cleanup(); }

  // A non-blocking socket whose connect to port is under way.
  net::socket_handle connecting_to(std::uint16_t port) {
    const auto s = net::open_tcp();
    EXPECT_NE(s, net::invalid_socket);
    EXPECT_TRUE(net::set_nonblocking(s));
    if (net::connect(s, loopback(), port) != 0) {
      const int why = net::last_error();
      EXPECT_TRUE(why == net::error_would_block || why == net::error_in_progress) << why;
    }
    return s;
  }
};

TEST(Ipv4, ParsesDottedAddressesInNetworkOrder) {
  const auto address = net::parse_ipv4("127.0.0.1");
  ASSERT_TRUE(address.has_value());
  unsigned char bytes[4];
  std::memcpy(bytes, &*address, 4);
  EXPECT_EQ(bytes[0], 127);
  EXPECT_EQ(bytes[3], 1);
  EXPECT_EQ(net::parse_ipv4("255.255.255.255"), 0xFFFFFFFFu);
  EXPECT_FALSE(net::parse_ipv4("not an address").has_value());
  EXPECT_FALSE(net::parse_ipv4("1.2.3.400").has_value());
}

TEST_F(Sockets, ResolvesADottedNameToItself) {
  EXPECT_EQ(net::resolve_ipv4("127.0.0.1"), loopback());
}

TEST_F(Sockets, ARequestAndItsAnswerCrossANonBlockingConnection) {
  loopback_peer peer(loopback_peer::behaviour::answer_after_zero_byte);
  const auto s = connecting_to(peer.port());
  net::readiness ready;
  ASSERT_GT(net::wait(s, false, true, 5000, ready), 0);
  ASSERT_TRUE(ready.writable);
  EXPECT_FALSE(ready.failed);

  char nothing[4];
  EXPECT_EQ(net::recv(s, nothing, sizeof nothing, false), -1) << "nothing has arrived yet";
  EXPECT_EQ(net::last_error(), net::error_would_block);

  const std::string request("GET / HTTP/1.1\r\n\r\n", 18);
  ASSERT_EQ(net::send(s, request.c_str(), static_cast<int>(request.size() + 1)),
            static_cast<int>(request.size() + 1));
  ASSERT_GT(net::wait(s, true, false, 5000, ready), 0);
  EXPECT_TRUE(ready.readable);
  char peeked[8] = {};
  ASSERT_EQ(net::recv(s, peeked, 8, true), 8);
  std::string answer;
  char buffer[256];
  for (int n; (n = net::recv(s, buffer, sizeof buffer, false)) != 0;) {
    if (n < 0) {
      ASSERT_EQ(net::last_error(), net::error_would_block);
      net::wait(s, true, false, 5000, ready);
      continue;
    }
    answer.append(buffer, static_cast<std::size_t>(n));
  }
  EXPECT_EQ(answer.substr(0, 8), std::string(peeked, 8)) << "a peek leaves the bytes in place";
  EXPECT_EQ(answer, "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(peer.received().at(0), request + std::string(1, '\0'));
  net::close(s);
}

TEST_F(Sockets, ARefusedConnectIsReportedAsFailedNotWritable) {
  constexpr int connection_refused = 10061;
  const auto s = net::open_tcp();
  ASSERT_TRUE(net::set_nonblocking(s));
  if (net::connect(s, loopback(), loopback_peer::refused_port()) != 0 &&
      net::last_error() != connection_refused) {
    // Under way: the refusal arrives through the wait.
    net::readiness ready;
    const int rc = net::wait(s, false, true, 5000, ready);
    ASSERT_GT(rc, 0) << "a refusal is an answer, not a time-out";
    EXPECT_TRUE(ready.failed);
    EXPECT_FALSE(ready.writable);
  }
  net::close(s);
}

TEST_F(Sockets, ASilentPeerTimesOutTheWait) {
  loopback_peer peer(loopback_peer::behaviour::silent);
  const auto s = connecting_to(peer.port());
  net::readiness ready;
  ASSERT_GT(net::wait(s, false, true, 5000, ready), 0);
  EXPECT_EQ(net::wait(s, true, false, 100, ready), 0);
  EXPECT_FALSE(ready.readable);
  net::close(s);
}

}  // namespace
