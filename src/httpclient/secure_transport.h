#pragma once
// Hooks for a secure transport under the client. None is provided: every hook fails with -1,
// so an https URL parses but its request fails (code 30, or 8 when never writable).
#include <cstdint>

#include "platform/sockets.h"

namespace http_client::secure {

int connect(platform::net::socket_handle s, std::uint32_t address, std::uint16_t port,
            const char* host_name);
int handshake(platform::net::socket_handle s);
int send(platform::net::socket_handle s, const char* data, int length);
int recv(platform::net::socket_handle s, char* buffer, int length);
int pending(platform::net::socket_handle s);
int close(platform::net::socket_handle s);

}  // namespace http_client::secure
