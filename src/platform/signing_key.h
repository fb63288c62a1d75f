#pragma once
// The publisher's half of the signature seam: making a key pair and signing with it. Only the
// publisher, a Linux tool, signs; the launcher only checks (platform/signature.h), so Windows
// builds have no side of this.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct signing_result {
  std::string bytes;  // the 65-byte public point, or the 64-byte r || s signature
  std::string error;  // empty on success
};

// Writes a new P-256 private key as PEM to key_file, readable by its owner only, and returns
// its public point. Refuses to overwrite an existing file.
signing_result make_signing_key(const std::filesystem::path& key_file);

// The P-256 signature over SHA-256 of message by the PEM private key in key_file.
signing_result sign_with_key(const std::filesystem::path& key_file, std::string_view message);

}  // namespace platform
