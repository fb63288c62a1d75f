#pragma once
// Profile-string files ("oem.ini", "conf.ini") in the manner of GetPrivateProfileStringW and
// WritePrivateProfileStringW: sections and keys match without regard to case, values are
// trimmed, and a value is cut to fit the caller's buffer (buffer_chars - 1 characters).
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The value, or default_value when the file, section or key is missing.
std::u16string get_profile_string(std::u16string_view section, std::u16string_view key,
                                  std::u16string_view default_value, std::size_t buffer_chars,
                                  std::u16string_view file);
bool write_profile_string(std::u16string_view section, std::u16string_view key,
                          std::u16string_view value, std::u16string_view file);

}  // namespace platform
