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

signature_check verify_signature(std::string_view public_key, std::string_view message,
                                 std::string_view signature);

}  // namespace platform
