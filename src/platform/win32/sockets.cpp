// WinSock as it is; the seam's error numbers are WinSock's own.
#include <winsock2.h>
#include <windows.h>

#include <cstring>
#include <string_view>

#include "platform/sockets.h"

namespace platform::net {

namespace {

SOCKET native(socket_handle s) { return static_cast<SOCKET>(s); }

int fail() { return -1; }  // WSAGetLastError keeps the reason for last_error()

sockaddr_in ipv4(std::uint32_t address_network_order, std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = address_network_order;
  address.sin_port = htons(port);
  return address;
}

}  // namespace

int startup(std::uint16_t requested_version, std::uint16_t* granted_version) {
  WSADATA data{};
  const int rc = WSAStartup(requested_version, &data);
  if (granted_version) *granted_version = rc == 0 ? data.wVersion : 0;
  return rc;
}

void cleanup() { WSACleanup(); }

std::optional<std::uint32_t> resolve_ipv4(const char* host_name) {
  const hostent* host = gethostbyname(host_name);
  if (!host || host->h_addrtype != AF_INET || !host->h_addr_list || !host->h_addr_list[0])
    return std::nullopt;
  std::uint32_t address = 0;
  std::memcpy(&address, host->h_addr_list[0], sizeof address);
  return address;
}

std::optional<std::uint32_t> parse_ipv4(const char* dotted) {
  const unsigned long address = inet_addr(dotted);
  // INADDR_NONE is also the value of the one address 255.255.255.255.
  if (address == INADDR_NONE && std::string_view(dotted) != "255.255.255.255") return std::nullopt;
  return static_cast<std::uint32_t>(address);
}

socket_handle open_tcp() {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return invalid_socket;
  // Programs this one starts must not hold its connections open.
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  return static_cast<socket_handle>(s);
}

bool set_nonblocking(socket_handle s) {
  u_long on = 1;
  return ioctlsocket(native(s), FIONBIO, &on) == 0;
}

int connect(socket_handle s, std::uint32_t address_network_order, std::uint16_t port) {
  if (address_network_order == 0) {
    // WinSock refuses 0.0.0.0 (WSAEADDRNOTAVAIL); Wine passes it on to a system that takes it
    // as this machine. Refuse it before the call, so a failed name lookup never reaches a
    // local server by accident.
    WSASetLastError(WSAEADDRNOTAVAIL);
    return -1;
  }
  const sockaddr_in address = ipv4(address_network_order, port);
  WSASetLastError(0);
  if (::connect(native(s), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return fail();
  return 0;
}

int bind_local_port(socket_handle s, std::uint16_t port) {
  const sockaddr_in address = ipv4(htonl(INADDR_ANY), port);
  if (bind(native(s), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return fail();
  return 0;
}

int last_error() { return WSAGetLastError(); }

int send(socket_handle s, const void* data, int length) {
  const int n = ::send(native(s), static_cast<const char*>(data), length, 0);
  return n == SOCKET_ERROR ? fail() : n;
}

int recv(socket_handle s, void* buffer, int length, bool peek) {
  const int n = ::recv(native(s), static_cast<char*>(buffer), length, peek ? MSG_PEEK : 0);
  return n == SOCKET_ERROR ? fail() : n;
}

int wait(socket_handle s, bool for_read, bool for_write, std::uint32_t timeout_ms, readiness& out) {
  out = {};
  fd_set reads, writes, errors;
  FD_ZERO(&reads);
  FD_ZERO(&writes);
  FD_ZERO(&errors);
  if (for_read) FD_SET(native(s), &reads);
  if (for_write) FD_SET(native(s), &writes);
  FD_SET(native(s), &errors);
  timeval limit{static_cast<long>(timeout_ms / 1000), static_cast<long>((timeout_ms % 1000) * 1000)};
  const int rc = select(0, &reads, &writes, &errors, &limit);
  if (rc == SOCKET_ERROR) return fail();
  out.readable = FD_ISSET(native(s), &reads) != 0;
  out.writable = FD_ISSET(native(s), &writes) != 0;
  out.failed = FD_ISSET(native(s), &errors) != 0;
  return rc;
}

void shutdown_send(socket_handle s) { shutdown(native(s), SD_SEND); }

void close(socket_handle s) { closesocket(native(s)); }

}  // namespace platform::net
