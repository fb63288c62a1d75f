#include "support/loopback_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace testing_support {

namespace {

int listen_on_loopback(std::uint16_t& port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(s, 16);
  socklen_t size = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  port = ntohs(address.sin_port);
  return s;
}

}  // namespace

loopback_peer::loopback_peer(behaviour how) : how_(how) {
  listener_ = listen_on_loopback(port_);
  if (pipe(wake_) != 0) wake_[0] = wake_[1] = -1;
  thread_ = std::thread([this] { serve(); });
}

loopback_peer::~loopback_peer() {
  if (wake_[1] >= 0) (void)!write(wake_[1], "x", 1);
  thread_.join();
  close(listener_);
  close(wake_[0]);
  close(wake_[1]);
}

std::uint16_t loopback_peer::refused_port() {
  std::uint16_t port = 0;
  close(listen_on_loopback(port));
  return port;
}

std::vector<std::string> loopback_peer::received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

bool loopback_peer::wait_for_requests(std::size_t n, int timeout_ms) const {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < end) {
    {
      std::lock_guard lock(mutex_);
      if (finished_ >= n) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

void loopback_peer::serve() {
  std::vector<int> open_connections;
  while (true) {
    pollfd waits[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (poll(waits, 2, -1) < 0) break;
    if (waits[1].revents) break;
    const int connection = accept(listener_, nullptr, nullptr);
    if (connection < 0) continue;
    std::size_t index;
    {
      std::lock_guard lock(mutex_);
      index = received_.size();
      received_.emplace_back();
    }
    // Read until the zero byte that ends the request, the peer's close or a stop.
    char buffer[1024];
    bool stop = false;
    while (true) {
      pollfd reads[2] = {{connection, POLLIN, 0}, {wake_[0], POLLIN, 0}};
      poll(reads, 2, -1);
      if (reads[1].revents) {
        stop = true;
        break;
      }
      const ssize_t n = read(connection, buffer, sizeof buffer);
      if (n <= 0) break;
      std::lock_guard lock(mutex_);
      received_[index].append(buffer, static_cast<std::size_t>(n));
      if (how_ == behaviour::reset || received_[index].find('\0') != std::string::npos) break;
    }
    {
      std::lock_guard lock(mutex_);
      ++finished_;
    }
    if (stop) {
      close(connection);
      break;
    }
    if (how_ == behaviour::answer_after_zero_byte) {
      const char reply[] = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
      (void)!write(connection, reply, sizeof reply - 1);
      close(connection);
    } else if (how_ == behaviour::reset) {
      const linger abort_on_close{1, 0};
      setsockopt(connection, SOL_SOCKET, SO_LINGER, &abort_on_close, sizeof abort_on_close);
      close(connection);
    } else {
      open_connections.push_back(connection);  // never answered, closed when the peer stops
    }
  }
  for (const int c : open_connections) close(c);
}

}  // namespace testing_support
