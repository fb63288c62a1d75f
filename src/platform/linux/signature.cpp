#include "platform/signature.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <memory>

namespace platform {

namespace {

template <auto release>
struct openssl_release {
  template <typename T>
  void operator()(T* object) const {
    release(object);
  }
};
using pkey_context = std::unique_ptr<EVP_PKEY_CTX, openssl_release<EVP_PKEY_CTX_free>>;
using pkey = std::unique_ptr<EVP_PKEY, openssl_release<EVP_PKEY_free>>;
using digest_context = std::unique_ptr<EVP_MD_CTX, openssl_release<EVP_MD_CTX_free>>;
using ecdsa_signature = std::unique_ptr<ECDSA_SIG, openssl_release<ECDSA_SIG_free>>;
using param_builder = std::unique_ptr<OSSL_PARAM_BLD, openssl_release<OSSL_PARAM_BLD_free>>;
using params = std::unique_ptr<OSSL_PARAM, openssl_release<OSSL_PARAM_free>>;

const unsigned char* bytes(std::string_view text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

pkey public_key_of(std::string_view point) {
  const param_builder builder(OSSL_PARAM_BLD_new());
  if (!builder ||
      !OSSL_PARAM_BLD_push_utf8_string(builder.get(), OSSL_PKEY_PARAM_GROUP_NAME, "prime256v1", 0) ||
      !OSSL_PARAM_BLD_push_octet_string(builder.get(), OSSL_PKEY_PARAM_PUB_KEY, point.data(),
                                        point.size()))
    return nullptr;
  const params parameters(OSSL_PARAM_BLD_to_param(builder.get()));
  const pkey_context context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
  EVP_PKEY* key = nullptr;
  if (!parameters || !context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
      EVP_PKEY_fromdata(context.get(), &key, EVP_PKEY_PUBLIC_KEY, parameters.get()) != 1)
    return nullptr;
  return pkey(key);
}

// OpenSSL verifies the DER form; the raw pair becomes one without parsing of ours.
std::string der_of(std::string_view raw) {
  ecdsa_signature signature(ECDSA_SIG_new());
  BIGNUM* r = BN_bin2bn(bytes(raw), 32, nullptr);
  BIGNUM* s = BN_bin2bn(bytes(raw) + 32, 32, nullptr);
  if (!signature || !r || !s || ECDSA_SIG_set0(signature.get(), r, s) != 1) {
    BN_free(r);
    BN_free(s);
    return {};
  }
  const int size = i2d_ECDSA_SIG(signature.get(), nullptr);
  if (size <= 0) return {};
  std::string der(static_cast<std::size_t>(size), '\0');
  auto* out = reinterpret_cast<unsigned char*>(der.data());
  return i2d_ECDSA_SIG(signature.get(), &out) == size ? der : std::string();
}

}  // namespace

signature_check verify_signature(std::string_view public_key, std::string_view message,
                                 std::string_view signature) {
  if (const std::string_view problem = signature_shape_problem(public_key, signature);
      !problem.empty())
    return {false, std::string(problem)};
  const pkey key = public_key_of(public_key);
  if (!key) return {false, "the public key is not a point on P-256"};
  const std::string der = der_of(signature);
  const digest_context context(EVP_MD_CTX_new());
  if (der.empty() || !context ||
      EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1)
    return {false, "the system could not check the signature"};
  if (EVP_DigestVerify(context.get(), bytes(der), der.size(), bytes(message), message.size()) != 1)
    return {false, "the signature does not match"};
  return {true, {}};
}

}  // namespace platform
