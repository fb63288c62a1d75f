#include "platform/win32/wide_text.h"

#include <cwchar>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

namespace platform::win32 {

std::wstring to_wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string from_wide(const wchar_t* text, std::size_t length) {
  return std::u16string(text, text + length);
}

std::u16string from_wide(const wchar_t* text) { return from_wide(text, std::wcslen(text)); }

}  // namespace platform::win32
