// Connecting, closing and the two transfer routines with their whole-second deadlines.
#include <cstring>
#include <string>

#include "httpclient/http_context.h"
#include "httpclient/secure_transport.h"
#include "platform/clock.h"

namespace net = platform::net;

namespace http_client {

namespace {

constexpr std::uint32_t send_slice_ms = 1000;
constexpr std::uint32_t recv_slice_ms = 50;

bool secure_mode(const HTTPClientContext* context) {
  return (context->options & HTTP_CLIENT_FLAG_SECURE) != 0;
}

}  // namespace

std::uint32_t NowSeconds() { return platform::tick_count() / 1000; }

void StartDeadline(HTTPClientContext* context, std::uint32_t timeout_seconds) {
  context->deadline_start = NowSeconds();
  context->timeout = timeout_seconds;
}

bool DeadlinePassed(const HTTPClientContext* context) {
  return NowSeconds() - context->deadline_start >= context->timeout;
}

std::uint32_t SecondsLeft(const HTTPClientContext* context) {
  const std::uint32_t spent = NowSeconds() - context->deadline_start;
  return spent >= context->timeout ? 0 : context->timeout - spent;
}

std::int32_t Connect(HTTPClientContext* context) {
  if (!context) return HC_NO_CONTEXT;
  if (context->socket != net::invalid_socket) {
    context->state |= STATE_CONNECTED;
    return HC_OK;
  }
  if (secure_mode(context) && (context->options & HTTP_CLIENT_FLAG_PROXY)) {
    // The client opens no tunnel through a proxy: a session with the proxy itself would be
    // checked against the proxy's name, not the server's.
    context->secure_failure = std::string("https through the proxy ") + context->proxy_host +
                              ':' + std::to_string(context->proxy_port) +
                              " is refused: the client opens no tunnel to the server";
    return HC_SECURE_FAILED;
  }
  context->read_set.clear();
  context->write_set.clear();
  context->except_set.clear();
  const net::socket_handle s = net::open_tcp();
  if (s == net::invalid_socket) return HC_SOCKET_FAILED;
  context->socket = s;
  if (!net::set_nonblocking(s)) return HC_NONBLOCKING_FAILED;

  char name[url_capacity] = {};
  std::uint16_t port = context->port;
  if (context->options & HTTP_CLIENT_FLAG_PROXY) {
    std::memcpy(name, context->proxy_host, sizeof context->proxy_host - 1);
    port = context->proxy_port;
  } else {
    const char* colon = static_cast<const char*>(
        std::memchr(context->host.start, ':', context->host.length));
    const std::size_t length = colon ? static_cast<std::size_t>(colon - context->host.start)
                                     : context->host.length;
    std::memcpy(name, context->host.start, length);
  }
  std::uint32_t address = 0;
  // A failed lookup leaves 0.0.0.0, which the connection attempt then refuses.
  ResolveHost(name, &address);

  if (context->local_port != 0)
    net::bind_local_port(s, static_cast<std::uint16_t>(context->local_port));
  if (secure_mode(context))
    secure::connect(context, s, address, port, name);
  else
    net::connect(s, address, port);
  const int error = net::last_error();
  if (error != 0 && error != net::error_would_block && error != net::error_in_progress)
    return HC_CONNECT_FAILED;
  context->secure_handshake_done = 0;
  context->write_set.add(s);
  context->state |= STATE_CONNECTED;
  return HC_OK;
}

std::int32_t Disconnect(HTTPClientContext* context) {
  if (!context) return HC_NO_CONTEXT;
  if (context->socket == net::invalid_socket) return HC_SOCKET_FAILED;
  const std::int32_t result = secure_mode(context) ? secure::close(context) : HC_OK;
  net::shutdown_send(context->socket);
  net::close(context->socket);
  context->socket = net::invalid_socket;
  // What was read ahead belongs to the connection that is gone.
  context->read_ahead_start = context->read_ahead_end = 0;
  return result;
}

std::int32_t SendBytes(HTTPClientContext* context, const char* data, std::uint32_t* length) {
  const net::socket_handle s = context->socket;
  while (true) {
    if (DeadlinePassed(context)) return HC_TIMED_OUT;
    context->write_set.add(s);
    context->except_set.add(s);
    const int ready = net::select(nullptr, &context->write_set, &context->except_set, send_slice_ms);
    if (ready < 0) {
      // A wait that cannot be made is a failed send; reporting "nothing sent, no error"
      // would let the caller go on as if the request had left.
      *length = 0;
      return HC_SEND_FAILED;
    }
    if (ready == 0) continue;
    if (context->write_set.contains(s)) {
      int sent;
      if (secure_mode(context)) {
        if (!context->secure_handshake_done) {
          if (const std::int32_t shaken = secure::handshake(context); shaken != HC_OK) {
            *length = 0;
            return shaken;
          }
          context->secure_handshake_done = 1;
        }
        sent = secure::send(context, data, static_cast<int>(*length));
        if (sent == -1) {
          *length = 0;
          return DeadlinePassed(context) ? HC_TIMED_OUT : HC_SEND_FAILED;
        }
      } else {
        sent = net::send(s, data, static_cast<int>(*length));
      }
      if (sent == -1) return HC_SEND_FAILED;
      *length = static_cast<std::uint32_t>(sent);
      return HC_OK;
    }
    if (context->except_set.contains(s)) {
      context->except_set.remove(s);
      *length = 0;
      return HC_SEND_FAILED;
    }
  }
}

namespace {

// The result of one receive call: bytes, 0 when the peer closed, or -1.
std::int32_t finish_receive(int received, std::uint32_t* length) {
  if (received < 0) {
    *length = 0;
    return HC_RECV_FAILED;
  }
  if (received == 0) {
    *length = 0;
    return HC_END_OF_DATA;
  }
  *length = static_cast<std::uint32_t>(received);
  return HC_OK;
}

// One receive from the socket under the context's deadline: waits in slices until bytes
// arrive, the peer closes, the receive fails or the deadline passes.
std::int32_t socket_receive(HTTPClientContext* context, char* buffer, std::uint32_t* length,
                            bool peek) {
  const net::socket_handle s = context->socket;
  bool readable = false;  // the last wait reported the socket ready for what the session wants
  bool session_wants_write = false;
  while (true) {
    if (DeadlinePassed(context)) {
      *length = 0;
      return HC_TIMED_OUT;
    }
    if (secure_mode(context)) {
      // Bytes the session has already decrypted never make the socket readable, so they are
      // asked for before any wait; a record only partly arrived waits for the rest.
      if (readable || secure::pending(context) > 0) {
        const int received = secure::recv(context, buffer, static_cast<int>(*length));
        session_wants_write = received == secure::would_block_on_write;
        if (received != secure::would_block && !session_wants_write)
          return finish_receive(received, length);
      }
      readable = false;
      if (session_wants_write) {
        // The session has something to send before it can read on: wait for room.
        context->write_set.add(s);
        context->except_set.add(s);
        const int ready =
            net::select(nullptr, &context->write_set, &context->except_set, recv_slice_ms);
        if (ready < 0 || (ready > 0 && context->except_set.contains(s))) {
          context->except_set.remove(s);
          *length = 0;
          return HC_RECV_FAILED;
        }
        readable = ready > 0;
        continue;
      }
    } else {
      // Bytes already waiting are taken at once: the wait below is only needed when the
      // socket has nothing yet, and skipping it halves the system calls of a body read.
      const int received = net::recv(s, buffer, static_cast<int>(*length), peek);
      if (received > 0) {
        *length = static_cast<std::uint32_t>(received);
        return HC_OK;
      }
      if (received == 0 && *length > 0) {
        *length = 0;
        return HC_END_OF_DATA;
      }
      if (received < 0 && net::last_error() != net::error_would_block) {
        *length = 0;
        return HC_RECV_FAILED;
      }
    }
    context->read_set.add(s);
    context->except_set.add(s);
    const int ready = net::select(&context->read_set, nullptr, &context->except_set, recv_slice_ms);
    if (ready < 0) {
      // A wait that cannot be made is a failed receive; "nothing yet, no error" would make
      // a body reader spin without end.
      *length = 0;
      return HC_RECV_FAILED;
    }
    if (ready == 0) continue;
    if (context->read_set.contains(s)) {
      context->read_set.remove(s);
      if (secure_mode(context)) {
        readable = true;
        continue;
      }
      return finish_receive(net::recv(s, buffer, static_cast<int>(*length), peek), length);
    }
    if (context->except_set.contains(s)) {
      context->except_set.remove(s);
      *length = 0;
      return HC_RECV_FAILED;
    }
  }
}

}  // namespace

std::int32_t RecvBytes(HTTPClientContext* context, char* buffer, std::uint32_t* length,
                       bool peek) {
  // Small reads (header bytes, chunk lines, 2,047-byte body pieces) are served from the
  // context's read-ahead, filled by one large receive: a tenth of the system calls that a
  // receive per piece would make, for the cost of copying what has already arrived.
  const std::uint32_t buffered = context->read_ahead_end - context->read_ahead_start;
  if (buffered > 0) {
    if (DeadlinePassed(context)) {
      *length = 0;
      return HC_TIMED_OUT;
    }
    const std::uint32_t n = *length < buffered ? *length : buffered;
    std::memcpy(buffer, context->read_ahead.get() + context->read_ahead_start, n);
    if (!peek) context->read_ahead_start += n;
    *length = n;
    return HC_OK;
  }
  if (*length == 0 || *length >= read_ahead_size || secure_mode(context))
    return socket_receive(context, buffer, length, peek);
  std::uint32_t got = read_ahead_size;
  const std::int32_t result = socket_receive(context, context->read_ahead.get(), &got, false);
  if (result != HC_OK) {
    *length = 0;
    return result;
  }
  const std::uint32_t n = *length < got ? *length : got;
  std::memcpy(buffer, context->read_ahead.get(), n);
  context->read_ahead_start = peek ? 0 : n;
  context->read_ahead_end = got;
  *length = n;
  return HC_OK;
}

}  // namespace http_client
