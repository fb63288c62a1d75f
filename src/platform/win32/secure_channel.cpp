// TLS sessions with Schannel through SSPI (secur32) over the client's non-blocking socket.
// Schannel is told to leave the certificate to us, and the check is made with the system's
// own chain engine and SSL policy (crypt32): the chain to the system's trusted roots, its
// dates, and the host name; an IP literal is compared with the certificate's IP addresses,
// which is done here, so that it holds on every Windows version.
#define SECURITY_WIN32
// The chain parameters with their time-out for fetching from the network.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include <winsock2.h>
#include <windows.h>
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/secure_channel.h"
#include "platform/win32/schannel_credentials.h"

namespace platform::tls {

namespace {

constexpr DWORD usual_request_flags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                ISC_REQ_CONFIDENTIALITY | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_MANUAL_CRED_VALIDATION;
constexpr std::size_t record_header_bytes = 5;
// What makes a chain unacceptable; revocation that could not be checked does not (nothing asks
// for it: the launcher must work where no revocation server can be reached).
constexpr DWORD refused_trust_bits =
    CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_IS_REVOKED | CERT_TRUST_IS_NOT_SIGNATURE_VALID |
    CERT_TRUST_IS_NOT_VALID_FOR_USAGE | CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_CYCLIC |
    CERT_TRUST_INVALID_EXTENSION | CERT_TRUST_INVALID_POLICY_CONSTRAINTS |
    CERT_TRUST_INVALID_BASIC_CONSTRAINTS | CERT_TRUST_INVALID_NAME_CONSTRAINTS |
    CERT_TRUST_IS_PARTIAL_CHAIN;

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string hex(long code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
  return text;
}

// What a failed SSPI call means, in words.
std::string sspi_failure(SECURITY_STATUS status) {
  switch (status) {
    case SEC_E_ALGORITHM_MISMATCH: return "the server offers no protocol or cipher in common";
    case SEC_E_ILLEGAL_MESSAGE: return "the server sent a message that is not TLS";
    case SEC_E_UNSUPPORTED_FUNCTION: return "the server refused the protocol version";
    case SEC_E_MESSAGE_ALTERED: return "a record was altered on the way";
    case SEC_E_DECRYPT_FAILURE: return "a record could not be decrypted";
    case SEC_E_INTERNAL_ERROR: return "the TLS library failed (internal error)";
    default: return "error " + hex(status);
  }
}

struct security_context {
  CtxtHandle handle{};
  bool valid = false;
  ~security_context() {
    if (valid) DeleteSecurityContext(&handle);
  }
};

struct chain_release {
  void operator()(PCCERT_CHAIN_CONTEXT c) const { CertFreeCertificateChain(c); }
};
struct certificate_release {
  void operator()(PCCERT_CONTEXT c) const { CertFreeCertificateContext(c); }
};

// Whether the certificate's subject alternative names hold the IPv4 address.
bool names_address(PCCERT_CONTEXT certificate, const in_addr& address) {
  const CERT_EXTENSION* extension =
      CertFindExtension(szOID_SUBJECT_ALT_NAME2, certificate->pCertInfo->cExtension,
                        certificate->pCertInfo->rgExtension);
  if (!extension) return false;
  CERT_ALT_NAME_INFO* names = nullptr;
  DWORD size = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                           extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names,
                           &size))
    return false;
  bool found = false;
  for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
    const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
    found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS &&
            entry.IPAddress.cbData == sizeof address &&
            std::memcmp(entry.IPAddress.pbData, &address, sizeof address) == 0;
  }
  LocalFree(names);
  return found;
}

bool self_issued(PCCERT_CONTEXT certificate) {
  return CertCompareCertificateName(X509_ASN_ENCODING, &certificate->pCertInfo->Subject,
                                    &certificate->pCertInfo->Issuer) != FALSE;
}

class schannel_channel final : public secure_channel {
 public:
  schannel_channel(SOCKET s, const peer_identity& peer)
      : socket_(s), host_(peer.host_name), shown_name_(peer.shown_name),
        address_literal_(peer.address_literal) {
    std::memcpy(&address_, &peer.address, sizeof address_);
    // Schannel sends its target as the server name and keys its session cache by it: an
    // address goes as the one it is, whatever its spelling in the URL.
    target_ = wide(address_literal_ ? std::string(inet_ntoa(address_)) : host_);
  }

  ~schannel_channel() override = default;

  bool start(std::string& why) {
    credentials_ = schannel_credentials(why);
    return credentials_ != nullptr;
  }

  step handshake(std::uint32_t time_left_ms) override {
    if (failed_) return step::failed;
    while (true) {
      if (const step flushed = flush(); flushed != step::done) return flushed;
      if (established_) return verify_peer(time_left_ms) ? step::done : fail_step();
      // The server's next message: read when nothing is left over, or when what is left is
      // only the start of one.
      if (context_.valid && (incoming_.empty() || need_input_)) {
        const step filled = fill_incoming();
        if (filled != step::done) return filled;
      }
      if (!next_token()) return step::failed;
    }
  }

  transfer send(const char* data, int length) override {
    if (failed_) return {step::failed, 0};
    if (outgoing_.size() == outgoing_sent_) {
      // A new piece: encrypt as much as one record takes.
      const auto n = static_cast<DWORD>(
          std::min<unsigned long>(static_cast<unsigned long>(length), sizes_.cbMaximumMessage));
      outgoing_.assign(sizes_.cbHeader + n + sizes_.cbTrailer, 0);
      outgoing_sent_ = 0;
      std::memcpy(outgoing_.data() + sizes_.cbHeader, data, n);
      SecBuffer buffers[4] = {
          {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, outgoing_.data()},
          {n, SECBUFFER_DATA, outgoing_.data() + sizes_.cbHeader},
          {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, outgoing_.data() + sizes_.cbHeader + n},
          {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
      const SECURITY_STATUS status = EncryptMessage(&context_.handle, 0, &message, 0);
      if (status != SEC_E_OK) {
        outgoing_.clear();
        failure_ = "sending failed: " + sspi_failure(status);
        failed_ = true;
        return {step::failed, 0};
      }
      outgoing_.resize(buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
      outgoing_plain_ = static_cast<int>(n);
    }
    const step flushed = flush();
    if (flushed != step::done) return {flushed, 0};
    return {step::done, outgoing_plain_};
  }

  transfer receive(char* buffer, int length) override {
    if (failed_) return {step::failed, 0};
    while (true) {
      if (plain_start_ < plain_.size()) {
        const std::size_t n =
            std::min(plain_.size() - plain_start_, static_cast<std::size_t>(length));
        std::memcpy(buffer, plain_.data() + plain_start_, n);
        plain_start_ += n;
        return {step::done, static_cast<int>(n)};
      }
      if (peer_closed_) return {step::done, 0};
      if (renegotiating_) {
        const step answered = answer_handshake_message();
        if (answered != step::done) return {answered, 0};
        continue;
      }
      if (complete_record()) {
        if (!decrypt()) return {step::failed, 0};
        continue;
      }
      // Closed without a close-notify: whatever was announced and has not arrived stays
      // missing, exactly as when a plain connection closes early.
      const step filled = fill_incoming();
      if (filled != step::done) return {filled, 0};
    }
  }

  int pending() const override {
    const std::size_t plain = plain_.size() - plain_start_;
    if (plain > 0) return static_cast<int>(plain);
    return complete_record() ? 1 : 0;
  }

  void close() override {
    if (!established_ || closing_sent_ || failed_) return;
    closing_sent_ = true;
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc control_desc{SECBUFFER_VERSION, 1, &control};
    if (ApplyControlToken(&context_.handle, &control_desc) != SEC_E_OK) return;
    SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc out_desc{SECBUFFER_VERSION, 1, &out};
    DWORD attributes = 0;
    const SECURITY_STATUS status =
        InitializeSecurityContextW(credentials_, &context_.handle, target_.data(),
                                   request_flags_, 0, 0, nullptr, 0, nullptr, &out_desc,
                                   &attributes, nullptr);
    if ((status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED) && out.pvBuffer && out.cbBuffer)
      ::send(socket_, static_cast<const char*>(out.pvBuffer), static_cast<int>(out.cbBuffer), 0);
    if (out.pvBuffer) FreeContextBuffer(out.pvBuffer);
  }

  const std::string& failure() const override { return failure_; }

 private:
  step fail_step() {
    failed_ = true;
    return step::failed;
  }

  // Sends what is queued; done when nothing is left.
  step flush() {
    while (outgoing_sent_ < outgoing_.size()) {
      const int n = ::send(socket_, outgoing_.data() + outgoing_sent_,
                           static_cast<int>(outgoing_.size() - outgoing_sent_), 0);
      if (n > 0) {
        outgoing_sent_ += static_cast<std::size_t>(n);
        continue;
      }
      if (WSAGetLastError() == WSAEWOULDBLOCK) return step::want_write;
      failure_ = established_ ? "sending failed: the connection was reset"
                              : "the connection was reset during the handshake";
      return fail_step();
    }
    return step::done;
  }

  // Reads what the socket has into incoming_. Once the session stands, the peer's close is the
  // end of the data; during the handshake it is a failure.
  step fill_incoming() {
    const std::size_t room = sizes_.cbMaximumMessage ? sizes_.cbHeader + sizes_.cbMaximumMessage +
                                                           sizes_.cbTrailer
                                                     : 16 * 1024 + 512;
    const std::size_t used = incoming_.size();
    incoming_.resize(used + room);
    const int n = ::recv(socket_, incoming_.data() + used, static_cast<int>(room), 0);
    incoming_.resize(used + (n > 0 ? static_cast<std::size_t>(n) : 0));
    if (n > 0) return step::done;
    if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK) return step::want_read;
    if (n == 0 && established_) {
      peer_closed_ = true;
      incoming_.clear();
      return step::done;
    }
    if (n == 0)
      failure_ = "the server closed the connection during the handshake";
    else
      failure_ = established_ ? "receiving failed: the connection was reset"
                              : "the connection was reset during the handshake";
    return fail_step();
  }

  // One call of the handshake with what has arrived; false when it failed.
  bool next_token() {
    SecBuffer in[2] = {{static_cast<unsigned long>(incoming_.size()), SECBUFFER_TOKEN,
                        incoming_.empty() ? nullptr : incoming_.data()},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc in_desc{SECBUFFER_VERSION, 2, in};
    SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc out_desc{SECBUFFER_VERSION, 1, out};
    DWORD attributes = 0;
    const bool first = !context_.valid;
    const SECURITY_STATUS status = InitializeSecurityContextW(
        credentials_, first ? nullptr : &context_.handle, target_.data(), request_flags_,
        0, 0, first ? nullptr : &in_desc, 0, &context_.handle, &out_desc,
        &attributes, nullptr);
    if (first && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED)) context_.valid = true;
    last_status_ = status;
    if (out[0].pvBuffer) {
      const auto* token = static_cast<const char*>(out[0].pvBuffer);
      if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED) {
        outgoing_.assign(token, token + out[0].cbBuffer);
        outgoing_sent_ = 0;
      }
      FreeContextBuffer(out[0].pvBuffer);
    }
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      need_input_ = true;  // keep what arrived and read more
      return true;
    }
    need_input_ = false;
    if (status == SEC_I_INCOMPLETE_CREDENTIALS && !(request_flags_ & ISC_REQ_USE_SUPPLIED_CREDS)) {
      // The server offers a login by client certificate, and we have none: the same message
      // again, answered without one, as OpenSSL does. Its bytes were not used.
      request_flags_ |= ISC_REQ_USE_SUPPLIED_CREDS;
      return true;
    }
    if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) {
      failure_ = status == SEC_I_INCOMPLETE_CREDENTIALS
                     ? "the server insists on a client certificate"
                     : "the handshake failed: " + sspi_failure(status);
      failed_ = true;
      return false;
    }
    if (!first) keep_extra(in[1]);
    if (status == SEC_E_OK) {
      const SECURITY_STATUS sized =
          QueryContextAttributesW(&context_.handle, SECPKG_ATTR_STREAM_SIZES, &sizes_);
      if (sized != SEC_E_OK) {
        failure_ = "the handshake failed: " + sspi_failure(sized);
        failed_ = true;
        return false;
      }
      established_ = true;
    }
    return true;
  }

  // Bytes past the message just used stay for the next call; the rest is consumed.
  void keep_extra(const SecBuffer& extra) {
    if (extra.BufferType == SECBUFFER_EXTRA && extra.cbBuffer > 0 &&
        extra.cbBuffer <= incoming_.size())
      incoming_.erase(incoming_.begin(), incoming_.end() - extra.cbBuffer);
    else
      incoming_.clear();
  }

  bool complete_record() const {
    if (incoming_.size() < record_header_bytes) return false;
    const std::size_t body = (static_cast<unsigned char>(incoming_[3]) << 8) |
                             static_cast<unsigned char>(incoming_[4]);
    return incoming_.size() >= record_header_bytes + body;
  }

  // Decrypts the first record of incoming_ into plain_; false when it failed.
  bool decrypt() {
    SecBuffer buffers[4] = {{static_cast<unsigned long>(incoming_.size()), SECBUFFER_DATA,
                             incoming_.data()},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = DecryptMessage(&context_.handle, &message, 0, nullptr);
    if (status == SEC_I_CONTEXT_EXPIRED) {
      peer_closed_ = true;  // the peer's close-notify
      incoming_.clear();
      return true;
    }
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE) {
      failure_ = "receiving failed: " + sspi_failure(status);
      failed_ = true;
      return false;
    }
    plain_.clear();
    plain_start_ = 0;
    const SecBuffer* extra = nullptr;
    for (const SecBuffer& b : buffers) {
      if (b.BufferType == SECBUFFER_DATA && b.cbBuffer > 0) {
        const auto* data = static_cast<const char*>(b.pvBuffer);
        plain_.assign(data, data + b.cbBuffer);
      } else if (b.BufferType == SECBUFFER_EXTRA) {
        extra = &b;
      }
    }
    keep_extra(extra ? *extra : SecBuffer{0, SECBUFFER_EMPTY, nullptr});
    if (status == SEC_I_RENEGOTIATE) {
      // A handshake message after the handshake: under TLS 1.3 a session ticket or a key
      // update, under TLS 1.2 the server's wish to renegotiate. Schannel takes it (left in
      // the extra bytes) through the handshake call, and the data goes on after it.
      renegotiating_ = true;
      need_input_ = incoming_.empty();
    }
    return true;
  }

  // Hands the pending handshake message to Schannel and sends its answer; done when the
  // session carries data again.
  step answer_handshake_message() {
    while (true) {
      if (const step flushed = flush(); flushed != step::done) return flushed;
      if (!renegotiating_) return step::done;
      if (need_input_ || incoming_.empty()) {
        const step filled = fill_incoming();
        if (filled != step::done) return filled;
        if (peer_closed_) return step::done;
      }
      if (!next_token()) return step::failed;
      if (last_status_ == SEC_E_OK) {
        renegotiating_ = false;
        if (!same_certificate_as_checked()) {
          failure_ = "receiving failed: the server changed its certificate";
          return fail_step();
        }
      }
    }
  }

  // Whether the peer still shows the certificate checked in the handshake: a renegotiation
  // may not bring in another one unchecked.
  bool same_certificate_as_checked() {
    PCCERT_CONTEXT raw = nullptr;
    if (QueryContextAttributesW(&context_.handle, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &raw) !=
            SEC_E_OK ||
        !raw)
      return false;
    std::unique_ptr<const CERT_CONTEXT, certificate_release> certificate(raw);
    return std::string(reinterpret_cast<const char*>(certificate->pbCertEncoded),
                       certificate->cbCertEncoded) == checked_certificate_;
  }

  // The peer's certificate against the system's trust store, its dates and the host name.
  bool verify_peer(std::uint32_t time_left_ms) {
    PCCERT_CONTEXT raw = nullptr;
    if (QueryContextAttributesW(&context_.handle, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &raw) !=
            SEC_E_OK ||
        !raw) {
      failure_ = "the server sent no certificate";
      return false;
    }
    std::unique_ptr<const CERT_CONTEXT, certificate_release> certificate(raw);
    char server_auth[] = szOID_PKIX_KP_SERVER_AUTH;
    char* usages[] = {server_auth};
    CERT_CHAIN_PARA chain_para{};
    chain_para.cbSize = sizeof chain_para;
    chain_para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chain_para.RequestedUsage.Usage.cUsageIdentifier = 1;
    chain_para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    // Windows ships few roots and loads the others, and missing intermediates, from the
    // network while it builds a chain; a player's system depends on that, so it stays on
    // (a cache-only chain would refuse valid servers), bounded by the request's time left.
    chain_para.dwUrlRetrievalTimeout = std::max<std::uint32_t>(time_left_ms, 1);
    PCCERT_CHAIN_CONTEXT raw_chain = nullptr;
    if (!CertGetCertificateChain(nullptr, certificate.get(), nullptr,
                                 certificate->hCertStore, &chain_para, 0, nullptr, &raw_chain)) {
      failure_ = "the certificate chain cannot be built: error " + hex(static_cast<long>(GetLastError()));
      return false;
    }
    std::unique_ptr<const CERT_CHAIN_CONTEXT, chain_release> chain(raw_chain);

    // The chain's own verdict first: not every implementation of the SSL policy below turns
    // a chain that ends short of a trusted root into an error.
    if (const DWORD trust = chain->TrustStatus.dwErrorStatus & refused_trust_bits; trust != 0) {
      failure_ = trust_failure(trust, certificate.get(), chain.get());
      return false;
    }
    std::wstring server_name = wide(host_);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl_para{};
    ssl_para.cbSize = sizeof ssl_para;
    ssl_para.dwAuthType = AUTHTYPE_SERVER;
    // An address is compared below with the certificate's IP addresses.
    ssl_para.pwszServerName = address_literal_ ? nullptr : server_name.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl_para;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy,
                                          &status)) {
      failure_ = "the certificate cannot be checked: error " + hex(static_cast<long>(GetLastError()));
      return false;
    }
    if (status.dwError != 0) {
      failure_ = policy_failure(static_cast<long>(status.dwError), certificate.get(), chain.get());
      return false;
    }
    if (address_literal_ && !names_address(certificate.get(), address_)) {
      failure_ = "the certificate is not valid for " + shown_name_;
      return false;
    }
    checked_certificate_.assign(reinterpret_cast<const char*>(certificate->pbCertEncoded),
                                certificate->cbCertEncoded);
    return true;
  }

  static std::string time_failure(PCCERT_CONTEXT certificate) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return CompareFileTime(&now, &certificate->pCertInfo->NotBefore) < 0
               ? "the certificate is not valid yet"
               : "the certificate has expired";
  }

  static std::string authority_failure(PCCERT_CONTEXT certificate, PCCERT_CHAIN_CONTEXT chain) {
    const bool alone = chain->cChain > 0 && chain->rgpChain[0]->cElement == 1;
    return alone && self_issued(certificate) ? "the certificate is self-signed and not trusted"
                                             : "the certificate was issued by an unknown authority";
  }

  static std::string trust_failure(DWORD trust, PCCERT_CONTEXT certificate,
                                   PCCERT_CHAIN_CONTEXT chain) {
    if (trust & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN |
                 CERT_TRUST_IS_NOT_SIGNATURE_VALID | CERT_TRUST_IS_CYCLIC))
      return authority_failure(certificate, chain);
    if (trust & CERT_TRUST_IS_NOT_TIME_VALID) return time_failure(certificate);
    if (trust & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return "the certificate is not meant for servers";
    if (trust & CERT_TRUST_IS_REVOKED) return "the certificate was revoked";
    return "the certificate was refused: chain status " + hex(static_cast<long>(trust));
  }

  std::string policy_failure(long error, PCCERT_CONTEXT certificate,
                             PCCERT_CHAIN_CONTEXT chain) const {
    switch (error) {
      case CERT_E_CN_NO_MATCH: return "the certificate is not valid for " + shown_name_;
      case CERT_E_EXPIRED: return time_failure(certificate);
      case CERT_E_UNTRUSTEDROOT:
      case CERT_E_CHAINING:
      case CERT_E_UNTRUSTEDCA:
      case TRUST_E_CERT_SIGNATURE: return authority_failure(certificate, chain);
      case CERT_E_WRONG_USAGE: return "the certificate is not meant for servers";
      case CRYPT_E_REVOKED: return "the certificate was revoked";
      default: return "the certificate was refused: error " + hex(error);
    }
  }

  SOCKET socket_;
  std::string host_;
  std::string shown_name_;
  std::wstring target_;
  in_addr address_{};
  bool address_literal_ = false;
  CredHandle* credentials_ = nullptr;  // the process's, never freed here
  DWORD request_flags_ = usual_request_flags;
  security_context context_;
  SecPkgContext_StreamSizes sizes_{};
  std::vector<char> incoming_;  // received and not yet used
  std::vector<char> outgoing_;  // to send, from outgoing_sent_ on
  std::size_t outgoing_sent_ = 0;
  int outgoing_plain_ = 0;  // the caller's bytes inside outgoing_
  std::vector<char> plain_;  // decrypted, from plain_start_ on
  std::size_t plain_start_ = 0;
  std::string checked_certificate_;  // encoded
  SECURITY_STATUS last_status_ = SEC_E_OK;  // of the last handshake call
  bool need_input_ = false;
  bool renegotiating_ = false;
  bool established_ = false;
  bool peer_closed_ = false;
  bool closing_sent_ = false;
  bool failed_ = false;
  std::string failure_;
};

}  // namespace

std::unique_ptr<secure_channel> open_secure_channel(net::socket_handle s, const peer_identity& peer,
                                                    std::string& why) {
  // The client sends its request in pieces, each its own record here: without this, Nagle's
  // rule holds every piece after the first until the server's delayed acknowledgement.
  const BOOL no_delay = TRUE;
  setsockopt(static_cast<SOCKET>(s), IPPROTO_TCP, TCP_NODELAY,
             reinterpret_cast<const char*>(&no_delay), sizeof no_delay);
  auto channel = std::make_unique<schannel_channel>(static_cast<SOCKET>(s), peer);
  if (!channel->start(why)) return nullptr;
  return channel;
}

}  // namespace platform::tls
