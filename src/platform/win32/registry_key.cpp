#include "platform/win32/registry_key.h"

#include <utility>

#include "platform/win32/wide_text.h"

namespace platform::win32 {

registry_key registry_key::create(HKEY parent, std::u16string_view path) {
  HKEY key = nullptr;
  const LONG status = RegCreateKeyExW(parent, to_wide(path).c_str(), 0, nullptr,
                                      REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                                      &key, nullptr);
  return status == ERROR_SUCCESS ? registry_key(key) : registry_key();
}

registry_key::~registry_key() {
  if (key_) RegCloseKey(key_);
}

registry_key::registry_key(registry_key&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}

registry_key& registry_key::operator=(registry_key&& other) noexcept {
  if (this != &other) {
    if (key_) RegCloseKey(key_);
    key_ = std::exchange(other.key_, nullptr);
  }
  return *this;
}

bool registry_key::set_string(std::u16string_view name, std::u16string_view value) const {
  const std::wstring data = to_wide(value);
  // REG_SZ data counts its terminating zero.
  const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key_, name.empty() ? nullptr : to_wide(name).c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(data.c_str()), bytes) == ERROR_SUCCESS;
}

bool registry_key::set_dword(std::u16string_view name, DWORD value) const {
  return RegSetValueExW(key_, to_wide(name).c_str(), 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&value), sizeof value) == ERROR_SUCCESS;
}

}  // namespace platform::win32
