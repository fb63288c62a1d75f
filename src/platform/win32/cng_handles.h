#pragma once
// The CNG handles the digest and signature checks hold, each closed by its owner.
// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

#include <memory>
#include <type_traits>

namespace platform::cng {

struct algorithm_close {
  void operator()(void* handle) const { BCryptCloseAlgorithmProvider(handle, 0); }
};
struct key_close {
  void operator()(void* handle) const { BCryptDestroyKey(handle); }
};
struct hash_close {
  void operator()(void* handle) const { BCryptDestroyHash(handle); }
};
using algorithm = std::unique_ptr<void, algorithm_close>;
using key = std::unique_ptr<void, key_close>;
using hash = std::unique_ptr<void, hash_close>;

inline algorithm open_algorithm(const wchar_t* name) {
  BCRYPT_ALG_HANDLE handle = nullptr;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, name, nullptr, 0))) return nullptr;
  return algorithm(handle);
}

}  // namespace platform::cng
