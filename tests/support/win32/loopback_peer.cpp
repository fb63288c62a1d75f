// The loopback peer over WinSock. A UDP socket on loopback wakes the serving thread, as the
// pipe does on POSIX systems.
#include "support/loopback_peer.h"

#include <winsock2.h>

#include <chrono>

namespace testing_support {

namespace {

struct winsock_user {
  winsock_user() {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
  }
};

void ensure_winsock() { static winsock_user user; }

SOCKET bound_on_loopback(int type, std::uint16_t& port) {
  ensure_winsock();
  const SOCKET s = socket(AF_INET, type, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  int size = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  port = ntohs(address.sin_port);
  return s;
}

SOCKET listen_on_loopback(std::uint16_t& port) {
  const SOCKET s = bound_on_loopback(SOCK_STREAM, port);
  listen(s, 16);
  return s;
}

// Waits until one of the sockets is readable; returns its index.
int wait_readable(SOCKET first, SOCKET second) {
  fd_set reads;
  FD_ZERO(&reads);
  FD_SET(first, &reads);
  FD_SET(second, &reads);
  if (select(0, &reads, nullptr, nullptr, nullptr) <= 0) return -1;
  return FD_ISSET(second, &reads) ? 1 : 0;
}

}  // namespace

loopback_peer::loopback_peer(behaviour how) : how_(how) {
  listener_ = static_cast<int>(listen_on_loopback(port_));
  std::uint16_t wake_port = 0;
  wake_[0] = static_cast<int>(bound_on_loopback(SOCK_DGRAM, wake_port));
  wake_[1] = wake_port;
  thread_ = std::thread([this] { serve(); });
}

loopback_peer::~loopback_peer() {
  const SOCKET sender = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<u_short>(wake_[1]));
  sendto(sender, "x", 1, 0, reinterpret_cast<sockaddr*>(&address), sizeof address);
  closesocket(sender);
  thread_.join();
  closesocket(static_cast<SOCKET>(listener_));
  closesocket(static_cast<SOCKET>(wake_[0]));
}

std::uint16_t loopback_peer::refused_port() {
  std::uint16_t port = 0;
  closesocket(listen_on_loopback(port));
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
  const SOCKET listener = static_cast<SOCKET>(listener_);
  const SOCKET wake = static_cast<SOCKET>(wake_[0]);
  std::vector<SOCKET> open_connections;
  while (true) {
    if (wait_readable(listener, wake) != 0) break;
    const SOCKET connection = accept(listener, nullptr, nullptr);
    if (connection == INVALID_SOCKET) continue;
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
      if (wait_readable(connection, wake) != 0) {
        stop = true;
        break;
      }
      const int n = recv(connection, buffer, sizeof buffer, 0);
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
      closesocket(connection);
      break;
    }
    if (how_ == behaviour::answer_after_zero_byte) {
      const char reply[] = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
      send(connection, reply, sizeof reply - 1, 0);
      closesocket(connection);
    } else if (how_ == behaviour::reset) {
      const linger abort_on_close{1, 0};
      setsockopt(connection, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort_on_close),
                 sizeof abort_on_close);
      closesocket(connection);
    } else {
      open_connections.push_back(connection);  // never answered, closed when the peer stops
    }
  }
  for (const SOCKET c : open_connections) closesocket(c);
}

}  // namespace testing_support
