#include "platform/signing_key.h"

#include <fcntl.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

namespace platform {

namespace {

struct pkey_free {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct digest_free {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct signature_free {
  void operator()(ECDSA_SIG* signature) const { ECDSA_SIG_free(signature); }
};
struct file_close {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using pkey = std::unique_ptr<EVP_PKEY, pkey_free>;

std::string public_point(EVP_PKEY* key) {
  unsigned char point[80];
  std::size_t size = 0;
  if (EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_ENCODED_PUBLIC_KEY, point, sizeof point,
                                      &size) != 1 ||
      size != 65)
    return {};
  return std::string(reinterpret_cast<const char*>(point), size);
}

}  // namespace

signing_result make_signing_key(const std::filesystem::path& key_file) {
  const pkey key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
  if (!key) return {{}, "the system could not make a P-256 key"};
  if (EVP_PKEY_set_utf8_string_param(key.get(), OSSL_PKEY_PARAM_EC_POINT_CONVERSION_FORMAT,
                                     "uncompressed") != 1)
    return {{}, "the system could not make a P-256 key"};
  const int descriptor = ::open(key_file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (descriptor < 0) return {{}, key_file.string() + ": cannot be made (it must not exist yet)"};
  const std::unique_ptr<std::FILE, file_close> file(::fdopen(descriptor, "w"));
  if (!file) {
    ::close(descriptor);
    return {{}, key_file.string() + ": cannot be written"};
  }
  if (PEM_write_PrivateKey(file.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
      std::fflush(file.get()) != 0)
    return {{}, key_file.string() + ": cannot be written"};
  return {public_point(key.get()), {}};
}

signing_result sign_with_key(const std::filesystem::path& key_file, std::string_view message) {
  const std::unique_ptr<std::FILE, file_close> file(std::fopen(key_file.c_str(), "r"));
  if (!file) return {{}, key_file.string() + ": cannot be read"};
  const pkey key(PEM_read_PrivateKey(file.get(), nullptr, nullptr, nullptr));
  if (!key || !EVP_PKEY_is_a(key.get(), "EC") || EVP_PKEY_get_bits(key.get()) != 256)
    return {{}, key_file.string() + ": is not a P-256 private key in PEM"};
  const std::unique_ptr<EVP_MD_CTX, digest_free> context(EVP_MD_CTX_new());
  std::size_t size = 0;
  if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
      EVP_DigestSign(context.get(), nullptr, &size,
                     reinterpret_cast<const unsigned char*>(message.data()), message.size()) != 1)
    return {{}, "the system could not sign"};
  std::string der(size, '\0');
  auto* out = reinterpret_cast<unsigned char*>(der.data());
  if (EVP_DigestSign(context.get(), out, &size, reinterpret_cast<const unsigned char*>(message.data()),
                     message.size()) != 1)
    return {{}, "the system could not sign"};
  // The checkers take r || s; OpenSSL gives DER.
  const auto* in = reinterpret_cast<const unsigned char*>(der.data());
  const std::unique_ptr<ECDSA_SIG, signature_free> signature(
      d2i_ECDSA_SIG(nullptr, &in, static_cast<long>(size)));
  std::string raw(64, '\0');
  auto* raw_bytes = reinterpret_cast<unsigned char*>(raw.data());
  if (!signature || BN_bn2binpad(ECDSA_SIG_get0_r(signature.get()), raw_bytes, 32) != 32 ||
      BN_bn2binpad(ECDSA_SIG_get0_s(signature.get()), raw_bytes + 32, 32) != 32)
    return {{}, "the system could not sign"};
  return {raw, {}};
}

}  // namespace platform
