#include "platform/sha256.h"

#include <openssl/evp.h>

namespace platform {

struct sha256::state {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  bool failed = false;
  ~state() { EVP_MD_CTX_free(context); }
};

sha256::sha256() : state_(std::make_unique<state>()) {
  state_->failed = !state_->context || EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1;
}

sha256::~sha256() = default;

void sha256::update(const void* data, std::size_t length) {
  if (!state_->failed && EVP_DigestUpdate(state_->context, data, length) != 1) state_->failed = true;
}

std::string sha256::hex() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (state_->failed || EVP_DigestFinal_ex(state_->context, digest, &size) != 1) return {};
  static constexpr char digits[] = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < size; ++i) {
    text += digits[digest[i] >> 4];
    text += digits[digest[i] & 0xF];
  }
  return text;
}

}  // namespace platform
