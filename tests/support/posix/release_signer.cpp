#include "support/release_signer.h"

#include "platform/signing_key.h"
#include "release/release_signature.h"

namespace testing_support {

std::string make_release_key(const std::filesystem::path& key_file) {
  return hexText(platform::make_signing_key(key_file).bytes);
}

std::string sign_release(const std::filesystem::path& key_file, const std::string& text) {
  return hexText(platform::sign_with_key(key_file, text).bytes);
}

}  // namespace testing_support
