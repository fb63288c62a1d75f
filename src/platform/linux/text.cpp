// On Linux the narrow encoding is always UTF-8, whatever the locale says.
#include <clocale>
#include <cwctype>

#include <locale.h>

#include "platform/text.h"

namespace platform {

std::string to_ansi(std::u16string_view wide) { return to_utf8(wide); }
std::u16string from_ansi(std::string_view narrow) { return from_utf8(narrow); }

namespace {

locale_t unicode_locale() {
  static const locale_t locale = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return l ? l : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
  }();
  return locale;
}

template <typename Map>
void map_units(std::u16string& text, Map map) {
  for (auto& unit : text) {
    if (unit >= 0xD800 && unit <= 0xDFFF) continue;  // surrogate halves keep their case
    const auto mapped = map(static_cast<wint_t>(unit), unicode_locale());
    if (mapped <= 0xFFFF) unit = static_cast<char16_t>(mapped);
  }
}

}  // namespace

void to_upper(std::u16string& text) { map_units(text, towupper_l); }
void to_lower(std::u16string& text) { map_units(text, towlower_l); }

}  // namespace platform
