#include "platform/signature.h"

#include <cstring>
#include <vector>

#include "cng_handles.h"

namespace platform {

namespace {

bool sha256_of(std::string_view message, unsigned char (&digest)[32]) {
  const cng::algorithm provider = cng::open_algorithm(BCRYPT_SHA256_ALGORITHM);
  BCRYPT_HASH_HANDLE handle = nullptr;
  if (!provider ||
      !BCRYPT_SUCCESS(BCryptCreateHash(provider.get(), &handle, nullptr, 0, nullptr, 0, 0)))
    return false;
  const cng::hash hash(handle);
  auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(message.data()));
  return BCRYPT_SUCCESS(BCryptHashData(hash.get(), data, static_cast<ULONG>(message.size()), 0)) &&
         BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), digest, sizeof digest, 0));
}

}  // namespace

signature_check verify_signature(std::string_view public_key, std::string_view message,
                                 std::string_view signature) {
  if (const std::string_view problem = signature_shape_problem(public_key, signature);
      !problem.empty())
    return {false, std::string(problem)};
  if (public_key[0] != 0x04) return {false, "the public key is not a point on P-256"};
  // The blob is the header and X, Y: the point without its leading 0x04.
  std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64);
  BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
  std::memcpy(blob.data(), &header, sizeof header);
  std::memcpy(blob.data() + sizeof header, public_key.data() + 1, 64);
  const cng::algorithm provider = cng::open_algorithm(BCRYPT_ECDSA_P256_ALGORITHM);
  BCRYPT_KEY_HANDLE handle = nullptr;
  if (!provider)
    return {false, "the system could not check the signature"};
  if (!BCRYPT_SUCCESS(BCryptImportKeyPair(provider.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &handle,
                                          blob.data(), static_cast<ULONG>(blob.size()), 0)))
    return {false, "the public key is not a point on P-256"};
  const cng::key key(handle);
  unsigned char digest[32];
  if (!sha256_of(message, digest)) return {false, "the system could not check the signature"};
  std::vector<unsigned char> raw(signature.begin(), signature.end());
  if (!BCRYPT_SUCCESS(BCryptVerifySignature(key.get(), nullptr, digest, sizeof digest, raw.data(),
                                            static_cast<ULONG>(raw.size()), 0)))
    return {false, "the signature does not match"};
  return {true, {}};
}

}  // namespace platform
