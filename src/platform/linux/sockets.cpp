#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/sockets.h"

namespace platform::net {

namespace {

// The WinSock number for an errno value, so callers see the same codes on every system.
int winsock_error(int e) {
  switch (e) {
    case 0: return 0;
    case EWOULDBLOCK: return error_would_block;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN: return error_would_block;
#endif
    case EINPROGRESS: return error_in_progress;
    case EALREADY: return 10037;
    case ECONNREFUSED: return 10061;
    case ECONNRESET: return 10054;
    case ETIMEDOUT: return 10060;
    case ENETUNREACH: return 10051;
    case EHOSTUNREACH: return 10065;
    case ENOTCONN: return 10057;
    case EBADF: return 10038;
    default: return 10000 + e;
  }
}

thread_local int last_socket_error = 0;

int fail() {
  last_socket_error = winsock_error(errno);
  return -1;
}

}  // namespace

int startup(std::uint16_t requested_version, std::uint16_t* granted_version) {
  if (granted_version) *granted_version = requested_version;
  return 0;
}

void cleanup() {}

std::optional<std::uint32_t> resolve_ipv4(const char* host_name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  if (getaddrinfo(host_name, nullptr, &hints, &result) != 0 || !result) return std::nullopt;
  sockaddr_in address{};
  std::memcpy(&address, result->ai_addr, sizeof address);
  freeaddrinfo(result);
  return address.sin_addr.s_addr;
}

std::optional<std::uint32_t> parse_ipv4(const char* dotted) {
  in_addr address{};
  if (inet_aton(dotted, &address) == 0) return std::nullopt;
  return address.s_addr;
}

socket_handle open_tcp() {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (s < 0) {
    fail();
    return invalid_socket;
  }
  return s;
}

bool set_nonblocking(socket_handle s) {
  const int fd = static_cast<int>(s);
  const int flags = fcntl(fd, F_GETFL, 0);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

int connect(socket_handle s, std::uint32_t address_network_order, std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = address_network_order;
  address.sin_port = htons(port);
  last_socket_error = 0;
  if (address_network_order == 0) {
    // Linux takes 0.0.0.0 as this machine; WinSock refuses it. Refuse it here too, so a
    // failed name lookup (which leaves 0.0.0.0) never reaches a local server by accident.
    last_socket_error = 10049;  // WSAEADDRNOTAVAIL
    return -1;
  }
  if (::connect(static_cast<int>(s), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return fail();
  return 0;
}

int bind_local_port(socket_handle s, std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(port);
  if (bind(static_cast<int>(s), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return fail();
  return 0;
}

int last_error() { return last_socket_error; }

int send(socket_handle s, const void* data, int length) {
  const ssize_t n =
      ::send(static_cast<int>(s), data, static_cast<std::size_t>(length), MSG_NOSIGNAL);
  return n < 0 ? fail() : static_cast<int>(n);
}

int recv(socket_handle s, void* buffer, int length, bool peek) {
  const ssize_t n =
      ::recv(static_cast<int>(s), buffer, static_cast<std::size_t>(length), peek ? MSG_PEEK : 0);
  return n < 0 ? fail() : static_cast<int>(n);
}

int wait(socket_handle s, bool for_read, bool for_write, std::uint32_t timeout_ms, readiness& out) {
  out = {};
  const int fd = static_cast<int>(s);
  if (fd < 0 || fd >= FD_SETSIZE) return -1;
  fd_set reads, writes, errors;
  FD_ZERO(&reads);
  FD_ZERO(&writes);
  FD_ZERO(&errors);
  if (for_read) FD_SET(fd, &reads);
  if (for_write) FD_SET(fd, &writes);
  FD_SET(fd, &errors);
  timeval limit{static_cast<time_t>(timeout_ms / 1000),
                static_cast<suseconds_t>((timeout_ms % 1000) * 1000)};
  const int rc = select(fd + 1, &reads, &writes, &errors, &limit);
  if (rc < 0) return fail();
  out.readable = FD_ISSET(fd, &reads);
  out.writable = FD_ISSET(fd, &writes);
  out.failed = FD_ISSET(fd, &errors);
  if (out.writable && !for_read) {
    // WinSock reports a failed non-blocking connect in the exception set; POSIX reports it
    // as writable with a pending socket error.
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error != 0) {
      out.writable = false;
      out.failed = true;
      last_socket_error = winsock_error(error);
    }
  }
  return rc;
}

namespace {

// Copies a set into an fd_set; false when a socket does not fit an fd_set.
bool fill(const socket_set* from, fd_set& to, int& highest) {
  FD_ZERO(&to);
  if (!from) return true;
  for (std::uint32_t i = 0; i < from->count; ++i) {
    const int fd = static_cast<int>(from->sockets[i]);
    if (fd < 0 || fd >= FD_SETSIZE) return false;
    FD_SET(fd, &to);
    if (fd > highest) highest = fd;
  }
  return true;
}

// Keeps only the sockets select() reported.
void keep_ready(socket_set* set, const fd_set& ready) {
  if (!set) return;
  socket_set kept;
  for (std::uint32_t i = 0; i < set->count; ++i)
    if (FD_ISSET(static_cast<int>(set->sockets[i]), &ready)) kept.add(set->sockets[i]);
  *set = kept;
}

}  // namespace

int select(socket_set* read, socket_set* write, socket_set* except, std::uint32_t timeout_ms) {
  fd_set reads, writes, errors;
  int highest = -1;
  if (!fill(read, reads, highest) || !fill(write, writes, highest) ||
      !fill(except, errors, highest)) {
    last_socket_error = 10038;  // not a socket
    return -1;
  }
  timeval limit{static_cast<time_t>(timeout_ms / 1000),
                static_cast<suseconds_t>((timeout_ms % 1000) * 1000)};
  const int rc = ::select(highest + 1, read ? &reads : nullptr, write ? &writes : nullptr,
                          except ? &errors : nullptr, &limit);
  if (rc < 0) return fail();
  if (write && except) {
    // POSIX reports a failed non-blocking connect as writable with a pending error; WinSock
    // puts it in the exception set. Move it there so callers see one behaviour.
    for (std::uint32_t i = 0; i < write->count; ++i) {
      const int fd = static_cast<int>(write->sockets[i]);
      if (!FD_ISSET(fd, &writes)) continue;
      int error = 0;
      socklen_t size = sizeof error;
      if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error != 0) {
        FD_CLR(fd, &writes);
        FD_SET(fd, &errors);
        last_socket_error = winsock_error(error);
      }
    }
  }
  keep_ready(read, reads);
  keep_ready(write, writes);
  keep_ready(except, errors);
  return rc;
}

void shutdown_send(socket_handle s) { shutdown(static_cast<int>(s), SHUT_WR); }

void close(socket_handle s) { ::close(static_cast<int>(s)); }

}  // namespace platform::net
