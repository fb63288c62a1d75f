#pragma once
// The hooks of the secure transport under the client: a TLS session per connection
// (platform/secure_channel.h), driven over the context's non-blocking socket under the
// context's deadline. Why a session failed is kept in the context for the caller to log; the
// client itself never logs.
#include <cstdint>

#include "platform/sockets.h"

struct HTTPClientContext;

namespace http_client::secure {

// recv found nothing to hand out yet: wait until the socket is readable (would_block) or, when
// the session must send something first (a key update, an alert), writable
// (would_block_on_write), and ask again.
inline constexpr int would_block = -2;
inline constexpr int would_block_on_write = -3;

// Starts the TCP connection as connect does (same return value and last_error) and readies a
// session for host_name.
int connect(HTTPClientContext* context, platform::net::socket_handle s, std::uint32_t address,
            std::uint16_t port, const char* host_name);
// The whole handshake, certificate checks included: HC_OK, HC_TIMED_OUT when the deadline
// passes first, else HC_SECURE_FAILED with the reason in the context.
std::int32_t handshake(HTTPClientContext* context);
// Bytes taken, or -1 when sending failed (the reason in the context) or the deadline passed
// while the socket was full.
int send(HTTPClientContext* context, const char* data, int length);
// Bytes received, 0 when the peer closed, -1 on failure (the reason in the context), or one of
// the would_block values.
int recv(HTTPClientContext* context, char* buffer, int length);
// Decrypted bytes waiting in the session: no select announces them.
int pending(HTTPClientContext* context);
// Ends the session (close-notify, without waiting for the answer); 0.
int close(HTTPClientContext* context);

}  // namespace http_client::secure
