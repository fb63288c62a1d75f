#include "httpclient/secure_transport.h"

#include <string>

#include "httpclient/http_context.h"

namespace net = platform::net;
namespace tls = platform::tls;

namespace http_client::secure {

namespace {

// The same slice as the sends: the deadline is tested often enough, and a wait ends as soon
// as the socket is ready.
constexpr std::uint32_t wait_slice_ms = 1000;

// Waits until the socket can do what the session asked for, the deadline passes (false) or
// the slice ends (true: the caller asks the session again).
bool wait_for(HTTPClientContext* context, tls::step what) {
  if (DeadlinePassed(context)) return false;
  net::readiness ready;
  net::wait(context->socket, what == tls::step::want_read, what == tls::step::want_write,
            wait_slice_ms, ready);
  return true;
}

// The host as the certificate must name it: a host the system's parser reads as an address is
// the address actually connected to.
tls::peer_identity identify_peer(const char* host_name, std::uint32_t address,
                                std::uint16_t port) {
  tls::peer_identity peer;
  peer.host_name = host_name;
  peer.address = address;
  peer.port = port;
  peer.address_literal = net::parse_ipv4(host_name).has_value();
  if (!peer.address_literal) {
    peer.shown_name = peer.host_name;
    return peer;
  }
  const auto* part = reinterpret_cast<const unsigned char*>(&address);
  peer.shown_name = std::to_string(part[0]) + '.' + std::to_string(part[1]) + '.' +
                    std::to_string(part[2]) + '.' + std::to_string(part[3]);
  if (peer.shown_name != peer.host_name) peer.shown_name += " (written " + peer.host_name + ")";
  return peer;
}

}  // namespace

int connect(HTTPClientContext* context, net::socket_handle s, std::uint32_t address,
            std::uint16_t port, const char* host_name) {
  context->secure_failure.clear();
  // The session first: its set-up may touch the thread's last error, which the caller reads
  // for the connect's own outcome.
  context->secure_session = tls::open_secure_channel(s, identify_peer(host_name, address, port),
                                                     context->secure_failure);
  return net::connect(s, address, port);
}

std::int32_t handshake(HTTPClientContext* context) {
  tls::secure_channel* session = context->secure_session.get();
  if (!session) {
    if (context->secure_failure.empty()) context->secure_failure = "no secure session";
    return HC_SECURE_FAILED;
  }
  while (true) {
    const tls::step step = session->handshake(SecondsLeft(context) * 1000);
    if (step == tls::step::done) return HC_OK;
    if (step == tls::step::failed) {
      context->secure_failure = session->failure();
      return HC_SECURE_FAILED;
    }
    if (!wait_for(context, step)) {
      context->secure_failure = "the server did not complete the handshake in time";
      return HC_TIMED_OUT;
    }
  }
}

int send(HTTPClientContext* context, const char* data, int length) {
  tls::secure_channel* session = context->secure_session.get();
  if (!session) return -1;
  while (true) {
    const tls::transfer sent = session->send(data, length);
    if (sent.state == tls::step::done) return sent.bytes;
    if (sent.state == tls::step::failed) {
      context->secure_failure = session->failure();
      return -1;
    }
    if (!wait_for(context, sent.state)) return -1;
  }
}

int recv(HTTPClientContext* context, char* buffer, int length) {
  tls::secure_channel* session = context->secure_session.get();
  if (!session) return -1;
  const tls::transfer received = session->receive(buffer, length);
  switch (received.state) {
    case tls::step::done: return received.bytes;
    case tls::step::failed:
      context->secure_failure = session->failure();
      return -1;
    case tls::step::want_write: return would_block_on_write;
    default: return would_block;
  }
}

int pending(HTTPClientContext* context) {
  return context->secure_session ? context->secure_session->pending() : 0;
}

int close(HTTPClientContext* context) {
  if (context->secure_session) context->secure_session->close();
  context->secure_session.reset();
  return HC_OK;
}

}  // namespace http_client::secure
