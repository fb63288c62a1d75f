#pragma once
// The core's UTF-16 texts are the wide texts of the Win32 calls; only the type differs and the
// calls want a terminating zero.
#include <string>
#include <string_view>

namespace platform::win32 {

std::wstring to_wide(std::u16string_view text);
std::u16string from_wide(const wchar_t* text, std::size_t length);
std::u16string from_wide(const wchar_t* text);

}  // namespace platform::win32
