// TLS sessions with OpenSSL: the system's trust store (plus LAUNCHER_EXTRA_CA_FILE), TLS 1.2 or
// later, host name and IP address checks done by the library during the handshake.
#include "platform/secure_channel.h"

#include "platform/linux/system_trust_store.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace platform::tls {

namespace {

constexpr const char* extra_anchor_variable = "LAUNCHER_EXTRA_CA_FILE";

struct context_release {
  void operator()(SSL_CTX* c) const { SSL_CTX_free(c); }
};
using context_ptr = std::unique_ptr<SSL_CTX, context_release>;

struct ssl_release {
  void operator()(SSL* s) const { SSL_free(s); }
};
using ssl_ptr = std::unique_ptr<SSL, ssl_release>;

// The socket BIO writes with write(2), which raises SIGPIPE on a connection the peer reset;
// this one sends with MSG_NOSIGNAL as the plain sockets do.
int bio_write(BIO* bio, const char* data, int length) {
  BIO_clear_retry_flags(bio);
  const ssize_t n = ::send(BIO_get_fd(bio, nullptr), data, static_cast<std::size_t>(length),
                           MSG_NOSIGNAL);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
    BIO_set_retry_write(bio);
  return static_cast<int>(n);
}

int bio_read(BIO* bio, char* buffer, int length) {
  BIO_clear_retry_flags(bio);
  const ssize_t n = ::recv(BIO_get_fd(bio, nullptr), buffer, static_cast<std::size_t>(length), 0);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
    BIO_set_retry_read(bio);
  return static_cast<int>(n);
}

const BIO_METHOD* no_signal_socket_method() {
  static BIO_METHOD* method = [] {
    BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK | BIO_TYPE_DESCRIPTOR,
                                 "socket without SIGPIPE");
    const BIO_METHOD* plain = BIO_s_socket();
    BIO_meth_set_write(m, bio_write);
    BIO_meth_set_read(m, bio_read);
    BIO_meth_set_ctrl(m, BIO_meth_get_ctrl(plain));
    BIO_meth_set_create(m, BIO_meth_get_create(plain));
    BIO_meth_set_destroy(m, BIO_meth_get_destroy(plain));
    return m;
  }();
  return method;
}

// The library's own words for the first queued error, or fallback.
std::string library_error(const char* fallback) {
  const unsigned long code = ERR_peek_error();
  ERR_clear_error();
  if (code == 0) return fallback;
  const char* reason = ERR_reason_error_string(code);
  return reason ? reason : fallback;
}

// Sessions to resume, one per server (its name or address, and port): the next connection to
// the same server skips the full handshake. A session arrives after its handshake (TLS 1.3
// sends it as a ticket), through the context's callback.
class session_store {
 public:
  // A new reference to the server's session, or null.
  SSL_SESSION* find(const std::string& server) {
    std::lock_guard lock(mutex_);
    const auto found = sessions_.find(server);
    if (found == sessions_.end()) return nullptr;
    SSL_SESSION_up_ref(found->second.get());
    return found->second.get();
  }
  void keep(const std::string& server, SSL_SESSION* session) {
    std::lock_guard lock(mutex_);
    sessions_[server].reset(session);
  }
  void clear() {
    std::lock_guard lock(mutex_);
    sessions_.clear();
  }

 private:
  struct session_release {
    void operator()(SSL_SESSION* s) const { SSL_SESSION_free(s); }
  };
  std::mutex mutex_;
  std::map<std::string, std::unique_ptr<SSL_SESSION, session_release>> sessions_;
};

session_store& resumable_sessions() {
  static session_store instance;
  return instance;
}

// The library's callback for a new session of a connection; the connection's application data
// is its server's key. Taking the reference (1) keeps the session.
int remember_session(SSL* ssl, SSL_SESSION* session) {
  const auto* server = static_cast<const std::string*>(SSL_get_app_data(ssl));
  if (!server || !SSL_SESSION_is_resumable(session)) return 0;
  resumable_sessions().keep(*server, session);
  return 1;
}

// The server a session belongs to: the name checked, or the address connected to, and the port.
std::string server_key(const peer_identity& peer) {
  char address[INET_ADDRSTRLEN] = {};
  const std::string name = peer.address_literal
                               ? inet_ntop(AF_INET, &peer.address, address, sizeof address)
                               : peer.host_name;
  return name + ':' + std::to_string(peer.port);
}

// One client context for every session, made again when the extra anchor file changes: the
// system's bundle is parsed once per process, not once per connection.
class shared_context {
 public:
  // A new reference to the context (freed by the caller through SSL_free's reference), or null.
  SSL_CTX* acquire(std::string& why) {
    std::lock_guard lock(mutex_);
    const char* extra = std::getenv(extra_anchor_variable);
    const std::string extra_file = extra ? extra : "";
    if (!context_ || extra_file != extra_file_) {
      // Sessions were checked against the anchors of the context that made them.
      resumable_sessions().clear();
      context_ = make(extra_file, why);
      extra_file_ = extra_file;
      why_ = why;
    }
    if (!context_) {
      why = why_;
      return nullptr;
    }
    SSL_CTX_up_ref(context_.get());
    return context_.get();
  }

 private:
  static context_ptr make(const std::string& extra_file, std::string& why) {
    context_ptr context(SSL_CTX_new(TLS_client_method()));
    if (!context) {
      why = "the TLS library cannot start: " + library_error("no client context");
      return nullptr;
    }
    SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_mode(context.get(), SSL_MODE_ENABLE_PARTIAL_WRITE |
                                        SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_session_cache_mode(context.get(),
                                   SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(context.get(), remember_session);
    if (!use_system_store(context.get(), why)) return nullptr;
    if (!extra_file.empty() &&
        SSL_CTX_load_verify_locations(context.get(), extra_file.c_str(), nullptr) != 1) {
      why = std::string("the trust anchors of ") + extra_anchor_variable + " (" + extra_file +
            ") cannot be read: " + library_error("unreadable");
      return nullptr;
    }
    return context;
  }

  std::mutex mutex_;
  context_ptr context_;
  std::string extra_file_;
  std::string why_;
};

shared_context& client_context() {
  static shared_context instance;
  return instance;
}

// The verification error in words a player's support can act on.
std::string verification_failure(long code, const std::string& host) {
  switch (code) {
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return "the certificate is not valid for " + host;
    case X509_V_ERR_CERT_HAS_EXPIRED:
      return "the certificate has expired";
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return "the certificate is not valid yet";
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
      return "the certificate is self-signed and not trusted";
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
      return "the certificate was issued by an unknown authority";
    default:
      return std::string("the certificate was refused: ") + X509_verify_cert_error_string(code);
  }
}

class openssl_channel final : public secure_channel {
 public:
  openssl_channel(ssl_ptr ssl, std::string host, std::string server)
      : server_(std::move(server)), ssl_(std::move(ssl)), host_(std::move(host)) {
    SSL_set_app_data(ssl_.get(), &server_);
    if (SSL_SESSION* earlier = resumable_sessions().find(server_)) {
      SSL_set_session(ssl_.get(), earlier);
      SSL_SESSION_free(earlier);
    }
  }

  // OpenSSL fetches nothing while it checks a chain: the time left does not matter here.
  step handshake(std::uint32_t /*time_left_ms*/) override {
    ERR_clear_error();
    errno = 0;
    const int r = SSL_do_handshake(ssl_.get());
    if (r == 1) {
      handshake_done_ = true;
      return step::done;
    }
    const step s = waiting_step(r);
    if (s != step::failed) return s;
    const long verified = SSL_get_verify_result(ssl_.get());
    if (verified != X509_V_OK)
      failure_ = verification_failure(verified, host_);
    else
      failure_ = handshake_failure(r);
    ERR_clear_error();
    return step::failed;
  }

  transfer send(const char* data, int length) override {
    ERR_clear_error();
    errno = 0;
    const int r = SSL_write(ssl_.get(), data, length);
    if (r > 0) return {step::done, r};
    const step s = waiting_step(r);
    if (s == step::failed) failure_ = transfer_failure(r, "sending failed");
    ERR_clear_error();
    return {s, 0};
  }

  transfer receive(char* buffer, int length) override {
    // The error queue is left empty after every call (see fail paths), so the body's many
    // small reads need not clear it first: its locks cost more than the read itself.
    errno = 0;
    const int r = SSL_read(ssl_.get(), buffer, length);
    if (r > 0) return {step::done, r};
    const int error = SSL_get_error(ssl_.get(), r);
    if (error == SSL_ERROR_ZERO_RETURN) return {step::done, 0};
    if (error == SSL_ERROR_WANT_READ) return {step::want_read, 0};
    if (error == SSL_ERROR_WANT_WRITE) return {step::want_write, 0};
    note_fatal(error);
    if (closed_without_notify(error, r)) {
      // The peer closed without ending the session: whatever was announced and has not
      // arrived stays missing, exactly as when a plain connection closes early.
      ERR_clear_error();
      return {step::done, 0};
    }
    failure_ = transfer_failure(r, "receiving failed");
    ERR_clear_error();
    return {step::failed, 0};
  }

  int pending() const override { return SSL_pending(ssl_.get()); }

  void close() override {
    // After a fatal error the library forbids the close-notify: the session is already over.
    if (handshake_done_ && !closed_ && !fatal_) SSL_shutdown(ssl_.get());
    closed_ = true;
    ERR_clear_error();
  }

  const std::string& failure() const override { return failure_; }

 private:
  step waiting_step(int r) {
    const int error = SSL_get_error(ssl_.get(), r);
    note_fatal(error);
    switch (error) {
      case SSL_ERROR_WANT_READ: return step::want_read;
      case SSL_ERROR_WANT_WRITE: return step::want_write;
      default: return step::failed;
    }
  }

  void note_fatal(int error) {
    if (error == SSL_ERROR_SSL || error == SSL_ERROR_SYSCALL) fatal_ = true;
  }

  bool closed_without_notify(int error, int r) const {
    if (error == SSL_ERROR_SYSCALL) return r == 0 || errno == 0;
    if (error != SSL_ERROR_SSL) return false;
    const unsigned long code = ERR_peek_error();
    return ERR_GET_LIB(code) == ERR_LIB_SSL &&
           ERR_GET_REASON(code) == SSL_R_UNEXPECTED_EOF_WHILE_READING;
  }

  std::string handshake_failure(int r) {
    const int error = SSL_get_error(ssl_.get(), r);
    if (closed_without_notify(error, r) || error == SSL_ERROR_ZERO_RETURN) {
      ERR_clear_error();
      return "the server closed the connection during the handshake";
    }
    if (error == SSL_ERROR_SYSCALL && errno == ECONNRESET)
      return "the connection was reset during the handshake";
    if (error == SSL_ERROR_SYSCALL)
      return std::string("the handshake failed: ") + std::strerror(errno);
    return "the handshake failed: " + library_error("unknown error");
  }

  std::string transfer_failure(int r, const char* what) {
    const int error = SSL_get_error(ssl_.get(), r);
    if (error == SSL_ERROR_SYSCALL && errno == ECONNRESET)
      return std::string(what) + ": the connection was reset";
    if (error == SSL_ERROR_SYSCALL) return std::string(what) + ": " + std::strerror(errno);
    return std::string(what) + ": " + library_error("unknown error");
  }

  std::string server_;  // the session store's key; outlives ssl_, which points to it
  ssl_ptr ssl_;
  std::string host_;
  std::string failure_;
  bool handshake_done_ = false;
  bool closed_ = false;
  bool fatal_ = false;
};

}  // namespace

std::unique_ptr<secure_channel> open_secure_channel(net::socket_handle s, const peer_identity& peer,
                                                    std::string& why) {
  SSL_CTX* context = client_context().acquire(why);
  if (!context) return nullptr;
  // The client sends its request in pieces, each its own record here: without this, Nagle's
  // rule holds every piece after the first until the server's delayed acknowledgement.
  const int no_delay = 1;
  setsockopt(static_cast<int>(s), IPPROTO_TCP, TCP_NODELAY, &no_delay, sizeof no_delay);
  ssl_ptr ssl(SSL_new(context));
  SSL_CTX_free(context);  // the session holds its own reference
  BIO* bio = BIO_new(no_signal_socket_method());
  if (!ssl || !bio) {
    BIO_free(bio);
    why = "the TLS library cannot start a session: " + library_error("out of memory");
    return nullptr;
  }
  BIO_set_fd(bio, static_cast<int>(s), BIO_NOCLOSE);
  SSL_set_bio(ssl.get(), bio, bio);
  SSL_set_connect_state(ssl.get());
  SSL_set_hostflags(ssl.get(), X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
  bool named;
  if (peer.address_literal) {
    named = X509_VERIFY_PARAM_set1_ip(SSL_get0_param(ssl.get()),
                                      reinterpret_cast<const unsigned char*>(&peer.address),
                                      sizeof peer.address) == 1;
  } else {
    named = SSL_ctrl(ssl.get(), SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                     const_cast<char*>(peer.host_name.c_str())) == 1 &&
            SSL_set1_host(ssl.get(), peer.host_name.c_str()) == 1;
  }
  if (!named) {
    why = "the host name " + peer.host_name + " cannot be checked: " + library_error("refused");
    return nullptr;
  }
  return std::make_unique<openssl_channel>(std::move(ssl), peer.shown_name, server_key(peer));
}

}  // namespace platform::tls
