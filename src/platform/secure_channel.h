#pragma once
// A TLS client session over a connected, non-blocking TCP socket. Each call does what it can
// without waiting and says what it waits for; the caller waits on the socket (under its own
// deadline) and calls again with the same arguments.
//
// The peer must prove itself: a chain to one of the system's trust anchors, dates that hold
// today, and the host name (a host written as an address against the addresses the
// certificate names). TLS 1.2 is the least accepted, 1.3 is offered where the system has it.
// Nothing turns the checks off. On Linux the environment variable LAUNCHER_EXTRA_CA_FILE may
// name a PEM file of further trust anchors, added to the system's (the tests' and the demo's
// own authority); the Windows side trusts the system's store only.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/sockets.h"

namespace platform::tls {

enum class step {
  done,        // the call did its work (for receive: bytes, or 0 bytes when the peer closed)
  want_read,   // call again once the socket is readable
  want_write,  // call again once the socket is writable
  failed,      // the session is unusable; failure() says why
};

struct transfer {
  step state = step::failed;
  int bytes = 0;
};

class secure_channel {
 public:
  virtual ~secure_channel() = default;

  // Advances the handshake, certificate checks included. time_left_ms bounds what the checks
  // may fetch from the network (missing intermediates, roots the system loads on demand).
  virtual step handshake(std::uint32_t time_left_ms) = 0;
  // Sends up to length bytes; done with the number taken.
  virtual transfer send(const char* data, int length) = 0;
  // Receives up to length bytes; done with 0 bytes when the peer ended the session or closed
  // the connection (with or without a close-notify: a body read stops short either way).
  virtual transfer receive(char* buffer, int length) = 0;
  // Bytes already decrypted and waiting, which no readiness of the socket announces.
  virtual int pending() const = 0;
  // Tells the peer the session ends (close-notify), without waiting for its answer.
  virtual void close() = 0;

  // Why the last call failed, in words ("the certificate has expired"); empty before.
  virtual const std::string& failure() const = 0;
};

// Whom the session must reach: the host as the URL names it and the address the socket is
// connected to. A host written as an address (any form the system's address parser reads,
// octal and short forms included) is checked against the connected address itself, so the
// check and the connection can never disagree about which machine it is; such a host is never
// sent as the server name indication.
struct peer_identity {
  std::string host_name;
  std::uint32_t address = 0;  // network byte order
  std::uint16_t port = 0;
  bool address_literal = false;
  // How the refusals name the peer: the connected address in four decimal parts for an
  // address (with the URL's spelling beside it when that differs), else the host name.
  std::string shown_name;
};

// A session over s for the peer, which also sends the server name indication when the host is
// a name. Null, with why filled, when the TLS library cannot start one.
std::unique_ptr<secure_channel> open_secure_channel(net::socket_handle s, const peer_identity& peer,
                                                    std::string& why);

}  // namespace platform::tls
