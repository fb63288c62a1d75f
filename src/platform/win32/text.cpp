// Narrow text is the ANSI code page (CP_ACP): GBK on Chinese Windows.
#include <windows.h>

#include "platform/text.h"
#include "platform/win32/wide_text.h"

namespace platform {

using win32::from_wide;
using win32::to_wide;

std::string to_ansi(std::u16string_view wide) {
  if (wide.empty()) return {};
  const std::wstring source = to_wide(wide);
  const int size = static_cast<int>(source.size());
  const int bytes = WideCharToMultiByte(CP_ACP, 0, source.data(), size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string narrow(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, source.data(), size, narrow.data(), bytes, nullptr, nullptr);
  return narrow;
}

std::u16string from_ansi(std::string_view narrow) {
  if (narrow.empty()) return {};
  const int size = static_cast<int>(narrow.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, wide.data(), units);
  return from_wide(wide.data(), wide.size());
}

void to_upper(std::u16string& text) {
  std::wstring buffer = to_wide(text);
  CharUpperBuffW(buffer.data(), static_cast<DWORD>(buffer.size()));
  text = from_wide(buffer.data(), buffer.size());
}

void to_lower(std::u16string& text) {
  std::wstring buffer = to_wide(text);
  CharLowerBuffW(buffer.data(), static_cast<DWORD>(buffer.size()));
  text = from_wide(buffer.data(), buffer.size());
}

}  // namespace platform
