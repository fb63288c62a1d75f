// A TLS 1.3 key update from the server in the middle of a body: OpenSSL's own server
// (s_server), which sends one on its "K" command and asks the client for one back, answers the
// request with what the test writes to its standard input.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "httpclient/http_client.h"
#include "support/loopback_peer.h"
#include "support/temp_folder.h"
#include "support/test_authority.h"

using namespace testing_support;

namespace {

// Reads the child's output until it holds text; false after ten seconds.
bool wait_for_output(int fd, std::string& seen, const std::string& text) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  char buffer[4096];
  while (seen.find(text) == std::string::npos && std::chrono::steady_clock::now() < end) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) seen.append(buffer, static_cast<std::size_t>(n));
    else std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return seen.find(text) != std::string::npos;
}

TEST(KeyUpdate, InTheMiddleOfABodyLeavesTheDownloadWhole) {
  const test_authority authority;
  ASSERT_TRUE(authority.ready());
  const std::uint16_t port = loopback_peer::refused_port();
  int to_server[2], from_server[2];
  ASSERT_EQ(pipe(to_server), 0);
  ASSERT_EQ(pipe2(from_server, O_NONBLOCK), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(to_server[0], 0);
    dup2(from_server[1], 1);
    const std::string accept = "127.0.0.1:" + std::to_string(port);
    // Line-buffered, so that its report of the key update arrives when it is made.
    const auto certificate = authority.certificate_file(server_certificate::good);
    const auto key = authority.key_file(server_certificate::good);
    execlp("stdbuf", "stdbuf", "-oL", "openssl", "s_server", "-accept", accept.c_str(), "-tls1_3",
           "-naccept", "1", "-cert", certificate.c_str(), "-key", key.c_str(), nullptr);
    _exit(127);
  }
  close(to_server[0]);
  close(from_server[1]);
  std::string seen;
  ASSERT_TRUE(wait_for_output(from_server[0], seen, "ACCEPT")) << seen;

  // Digits and line ends only: no piece of it reads as a command of the server.
  std::string body;
  for (int i = 0; body.size() < 40000; ++i) body += std::to_string(i * 7919) + "\n";
  const std::size_t half = body.size() / 2;
  std::atomic<std::size_t> received{0};
  std::thread server_side([&] {
    if (!wait_for_output(from_server[0], seen, "GET /update.bin")) return;
    const std::string first = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                              "\r\n\r\n" + body.substr(0, half);
    if (write(to_server[1], first.data(), first.size()) < 0) return;
    // The command must arrive as a read of its own: only after the client has the first half.
    for (int i = 0; i < 1000 && received < half; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (write(to_server[1], "K\n", 2) != 2 ||
        !wait_for_output(from_server[0], seen, "SSL_do_handshake -> 1"))
      return;
    const std::string rest = body.substr(half);
    if (write(to_server[1], rest.data(), rest.size()) < 0) return;
  });

  HTTPClientContextPtr context(HTTPClientCreateContext(0));
  const std::string url = "https://127.0.0.1:" + std::to_string(port) + "/update.bin";
  std::string got;
  std::int32_t last = -1;
  if (HTTPClientSendRequest(context.get(), url.c_str(), nullptr, 0, 0, 4, 0, nullptr) == HC_OK &&
      HTTPClientRecvResponse(context.get(), 5) == HC_OK) {
    char buffer[2048];
    do {
      std::uint32_t n = 0;
      last = HTTPClientRecvBody(context.get(), buffer, sizeof buffer, 8, &n);
      got.append(buffer, n);
      received = got.size();
    } while (last == HC_OK);
  }
  server_side.join();
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  close(to_server[1]);
  close(from_server[0]);
  EXPECT_NE(seen.find("SSL_do_handshake -> 1"), std::string::npos) << "no key update was sent";
  EXPECT_EQ(last, HC_END_OF_DATA) << HTTPClientGetSecureFailure(context.get());
  EXPECT_TRUE(got == body) << got.size() << " of " << body.size() << " bytes";
}

}  // namespace
