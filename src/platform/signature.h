#pragma once
// Checks a publisher's signature with the system's own cryptography: ECDSA on the P-256 curve
// over SHA-256. The shapes are the ones both systems take without conversion code of ours:
// the public key is the 65-byte uncompressed point (0x04, X, Y) and the signature the raw
// 64 bytes r || s, each number big-endian in 32 bytes.
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::size_t signature_public_key_size = 65;
inline constexpr std::size_t signature_size = 64;

struct signature_check {
  bool valid = false;
  std::string reason;  // why not, when not valid
};

// Why the key or the signature cannot have these shapes, by size; empty when both can. Both
// systems' checks begin with it.
inline std::string_view signature_shape_problem(std::string_view public_key,
                                                std::string_view signature) {
  if (public_key.size() != signature_public_key_size)
    return "the public key is not a 65-byte P-256 point";
  if (signature.size() != signature_size) return "the signature is not 64 bytes";
  return {};
}

signature_check verify_signature(std::string_view public_key, std::string_view message,
                                 std::string_view signature);

}  // namespace platform
