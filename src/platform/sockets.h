#pragma once
// TCP sockets in the manner of WinSock. Error numbers are WinSock's on every system, so the
// code above compares them with the values the behaviour names (10035 would-block, ...).
#include <cstdint>
#include <optional>

namespace platform::net {

using socket_handle = std::intptr_t;
inline constexpr socket_handle invalid_socket = -1;

inline constexpr int error_would_block = 10035;
inline constexpr int error_in_progress = 10036;

// WSAStartup / WSACleanup. Returns 0 on success and the version granted.
int startup(std::uint16_t requested_version, std::uint16_t* granted_version);
void cleanup();

// gethostbyname: the first IPv4 address of the name, in network byte order.
std::optional<std::uint32_t> resolve_ipv4(const char* host_name);
// inet_addr of a dotted address; nullopt when it does not parse.
std::optional<std::uint32_t> parse_ipv4(const char* dotted);

socket_handle open_tcp();
bool set_nonblocking(socket_handle s);
// Returns 0 on success, -1 on failure; last_error() then tells why (would-block and
// in-progress for a non-blocking connect under way).
int connect(socket_handle s, std::uint32_t address_network_order, std::uint16_t port);
int bind_local_port(socket_handle s, std::uint16_t port);
int last_error();

// Bytes accepted or received, or -1 with last_error() set. recv returns 0 when the peer closed.
int send(socket_handle s, const void* data, int length);
int recv(socket_handle s, void* buffer, int length, bool peek);

struct readiness {
  bool readable = false;
  bool writable = false;
  bool failed = false;  // reported in the exception set
};
// select() on one socket; returns the select result (-1 error, 0 time-out, >0 ready).
int wait(socket_handle s, bool for_read, bool for_write, std::uint32_t timeout_ms, readiness& out);

// A set of sockets as select() takes it: at most 64, as WinSock's fd_set. Kept by the caller
// across waits; select() leaves only the sockets that are ready in each set it is given.
struct socket_set {
  static constexpr std::uint32_t capacity = 64;
  std::uint32_t count = 0;
  socket_handle sockets[capacity] = {};

  bool contains(socket_handle s) const {
    for (std::uint32_t i = 0; i < count; ++i)
      if (sockets[i] == s) return true;
    return false;
  }
  // Adds the socket unless it is already there; a full set stays as it is.
  void add(socket_handle s) {
    if (!contains(s) && count < capacity) sockets[count++] = s;
  }
  void remove(socket_handle s) {
    for (std::uint32_t i = 0; i < count; ++i) {
      if (sockets[i] == s) {
        sockets[i] = sockets[--count];
        return;
      }
    }
  }
  void clear() { count = 0; }
};
// select() over the given sets (any may be null); returns the number of ready sockets, 0 on
// time-out, -1 on error. A non-blocking connect that failed is reported in the exception set,
// as WinSock does.
int select(socket_set* read, socket_set* write, socket_set* except, std::uint32_t timeout_ms);

void shutdown_send(socket_handle s);
void close(socket_handle s);

}  // namespace platform::net
