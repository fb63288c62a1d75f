#pragma once
// Text encodings of the launcher. Wide texts (paths, page strings, the download list) are UTF-16;
// narrow texts (log lines, HTTP requests, job paths) are in the system's "ANSI code page":
// GBK on Chinese Windows, always UTF-8 on Linux.
#include <string>
#include <string_view>

namespace platform {

// Characters the ANSI code page lacks become '?', as WideCharToMultiByte does.
std::string to_ansi(std::u16string_view wide);
std::u16string from_ansi(std::string_view narrow);

// UTF-8 <-> UTF-16, the same on every system. Unpaired surrogates and invalid bytes become '?'.
std::string to_utf8(std::u16string_view wide);
std::u16string from_utf8(std::string_view utf8);

// Locale-aware case mapping of every code unit, in the manner of CharUpperW / CharLowerW.
void to_upper(std::u16string& text);
void to_lower(std::u16string& text);

}  // namespace platform
