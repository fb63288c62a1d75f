#include "support/file_facts.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <vector>

#include "platform/win32/unique_handle.h"

namespace testing_support {

namespace {

using platform::win32::unique_handle;

constexpr std::uint64_t TICKS_PER_SECOND = 10000000ULL;
constexpr std::uint64_t UNIX_EPOCH_TICKS = 116444736000000000ULL;

std::int64_t unix_seconds(const FILETIME& time) {
  const std::uint64_t ticks = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return (static_cast<std::int64_t>(ticks) - static_cast<std::int64_t>(UNIX_EPOCH_TICKS)) /
         static_cast<std::int64_t>(TICKS_PER_SECOND);
}

class crypt_context {
 public:
  crypt_context() { CryptAcquireContextW(&provider_, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT); }
  ~crypt_context() {
    if (provider_) CryptReleaseContext(provider_, 0);
  }
  crypt_context(const crypt_context&) = delete;
  crypt_context& operator=(const crypt_context&) = delete;
  HCRYPTPROV get() const { return provider_; }

 private:
  HCRYPTPROV provider_ = 0;
};

class crypt_hash {
 public:
  explicit crypt_hash(HCRYPTPROV provider) {
    if (provider) CryptCreateHash(provider, CALG_MD5, 0, 0, &hash_);
  }
  ~crypt_hash() {
    if (hash_) CryptDestroyHash(hash_);
  }
  crypt_hash(const crypt_hash&) = delete;
  crypt_hash& operator=(const crypt_hash&) = delete;
  HCRYPTHASH get() const { return hash_; }

 private:
  HCRYPTHASH hash_ = 0;
};

}  // namespace

file_seconds file_times_of(const std::filesystem::path& file) {
  const unique_handle handle(CreateFileW(file.wstring().c_str(), FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  FILETIME accessed{};
  FILETIME modified{};
  if (!handle.valid() || !GetFileTime(handle.get(), nullptr, &accessed, &modified)) {
    ADD_FAILURE() << "cannot read the times of " << file;
    return {};
  }
  return {unix_seconds(modified), unix_seconds(accessed)};
}

std::string reference_md5_hex(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const crypt_context context;
  const crypt_hash hash(context.get());
  BYTE digest[16];
  DWORD length = sizeof digest;
  if (!hash.get() ||
      !CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0) ||
      !CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &length, 0)) {
    ADD_FAILURE() << "the system's MD5 is not available";
    return {};
  }
  static const char hex[] = "0123456789ABCDEF";
  std::string text;
  for (DWORD i = 0; i < length; ++i) {
    text += hex[digest[i] >> 4];
    text += hex[digest[i] & 0xf];
  }
  return text;
}

// Windows has no per-process limit on the size of the files it writes.
std::optional<std::string> limit_file_size(std::uint64_t) { return std::nullopt; }

std::filesystem::path own_program() {
  std::vector<wchar_t> buffer(MAX_PATH);
  while (true) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::filesystem::path(std::wstring(buffer.data(), length));
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace testing_support
