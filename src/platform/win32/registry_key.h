#pragma once
// An open registry key, closed once; values written as the Win32 calls store them.
#include <windows.h>

#include <string>
#include <string_view>

namespace platform::win32 {

class registry_key {
 public:
  registry_key() = default;
  // RegCreateKeyExW: non-volatile, no class, read and write access. Empty on failure.
  static registry_key create(HKEY parent, std::u16string_view path);

  ~registry_key();
  registry_key(registry_key&& other) noexcept;
  registry_key& operator=(registry_key&& other) noexcept;
  registry_key(const registry_key&) = delete;
  registry_key& operator=(const registry_key&) = delete;

  explicit operator bool() const { return key_ != nullptr; }
  HKEY get() const { return key_; }

  // An empty name is the key's (default) value.
  bool set_string(std::u16string_view name, std::u16string_view value) const;
  bool set_dword(std::u16string_view name, DWORD value) const;

 private:
  explicit registry_key(HKEY key) : key_(key) {}
  HKEY key_ = nullptr;
};

}  // namespace platform::win32
