#pragma once
// The system's trust anchors for a client context, where OpenSSL's build says they are or
// where SSL_CERT_FILE and SSL_CERT_DIR point: a hashed folder, a bundle file, or both.
#include <openssl/ssl.h>

#include <string>

namespace platform::tls {

// False, with why filled, when the system has neither a folder nor a bundle to read.
bool use_system_store(SSL_CTX* context, std::string& why);

}  // namespace platform::tls
