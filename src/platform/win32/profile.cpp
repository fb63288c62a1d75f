#include <windows.h>

#include "platform/profile.h"
#include "platform/win32/wide_text.h"

namespace platform {

using win32::from_wide;
using win32::to_wide;

std::u16string get_profile_string(std::u16string_view section, std::u16string_view key,
                                  std::u16string_view default_value, std::size_t buffer_chars,
                                  std::u16string_view file) {
  if (buffer_chars == 0) return {};
  std::wstring buffer(buffer_chars, L'\0');
  const DWORD length = GetPrivateProfileStringW(
      to_wide(section).c_str(), to_wide(key).c_str(), to_wide(default_value).c_str(),
      buffer.data(), static_cast<DWORD>(buffer_chars), to_wide(file).c_str());
  return from_wide(buffer.data(), length);
}

bool write_profile_string(std::u16string_view section, std::u16string_view key,
                          std::u16string_view value, std::u16string_view file) {
  return WritePrivateProfileStringW(to_wide(section).c_str(), to_wide(key).c_str(),
                                    to_wide(value).c_str(), to_wide(file).c_str()) != 0;
}

}  // namespace platform
