#include "platform/sha256.h"

#include "cng_handles.h"

namespace platform {

struct sha256::state {
  cng::algorithm provider = cng::open_algorithm(BCRYPT_SHA256_ALGORITHM);
  cng::hash hash;
  bool failed = false;
};

sha256::sha256() : state_(std::make_unique<state>()) {
  BCRYPT_HASH_HANDLE handle = nullptr;
  state_->failed = !state_->provider ||
                   !BCRYPT_SUCCESS(BCryptCreateHash(state_->provider.get(), &handle, nullptr, 0,
                                                    nullptr, 0, 0));
  state_->hash.reset(handle);
}

sha256::~sha256() = default;

void sha256::update(const void* data, std::size_t length) {
  // CNG takes at most 4 GiB a call.
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (!state_->failed && length > 0) {
    const ULONG part = length > 0x40000000u ? 0x40000000u : static_cast<ULONG>(length);
    if (!BCRYPT_SUCCESS(BCryptHashData(state_->hash.get(), const_cast<PUCHAR>(bytes), part, 0)))
      state_->failed = true;
    bytes += part;
    length -= part;
  }
}

std::string sha256::hex() {
  unsigned char digest[32];
  if (state_->failed || !BCRYPT_SUCCESS(BCryptFinishHash(state_->hash.get(), digest, sizeof digest, 0)))
    return {};
  state_->failed = true;
  static constexpr char digits[] = "0123456789abcdef";
  std::string text;
  for (const unsigned char byte : digest) {
    text += digits[byte >> 4];
    text += digits[byte & 0xF];
  }
  return text;
}

}  // namespace platform
