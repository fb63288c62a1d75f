#pragma once
// A TLS client session over a connected, non-blocking TCP socket. Each call does what it can
// without waiting and says what it waits for; the caller waits on the socket (under its own
// deadline) and calls again with the same arguments.
//
// The peer must prove itself: a chain to one of the system's trust anchors, dates that hold
// today, and the host name of the address (an IP literal against the addresses the certificate
// names). TLS 1.2 is the least accepted. Nothing turns the checks off. On Linux the environment
// variable LAUNCHER_EXTRA_CA_FILE may name a PEM file of further trust anchors, added to the
// system's (the tests' and the demo's own authority); the Windows side trusts the system's
// store only.
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

  // Advances the handshake, certificate checks included.
  virtual step handshake() = 0;
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

// A session over s for host_name (a DNS name or a dotted IPv4 address), which also goes out
// as the server name indication when it is a name. Null, with why filled, when the TLS library
// cannot start one.
std::unique_ptr<secure_channel> open_secure_channel(net::socket_handle s,
                                                    const std::string& host_name,
                                                    std::string& why);

}  // namespace platform::tls
