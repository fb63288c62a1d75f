#pragma once
// The bytes of text as a file in UTF-16 holds it, low byte first (the launcher's lists on disk).
#include <string>

namespace testing_support {

inline std::string utf16le(const std::u16string& text) {
  std::string bytes;
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

}  // namespace testing_support
