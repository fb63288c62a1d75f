#include "update/plain_file_name.h"

#include <string_view>

namespace {

bool isRefusedCharacter(char16_t c) {
  return c < 0x20 || c == 0x7F || std::u16string_view(u"/\\:*?\"<>|").find(c) != std::u16string_view::npos;
}

char16_t asciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool equalsIgnoringAsciiCase(std::u16string_view text, std::u16string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (asciiUpper(text[i]) != upper[i]) return false;
  return true;
}

// Windows opens the device whatever follows the first dot ("nul.12" is NUL), and blanks before
// that dot do not count either.
bool isDeviceName(std::u16string_view name) {
  std::u16string_view stem = name.substr(0, name.find(u'.'));
  while (!stem.empty() && stem.back() == u' ') stem.remove_suffix(1);
  for (const std::u16string_view device : {u"CON", u"PRN", u"AUX", u"NUL"})
    if (equalsIgnoringAsciiCase(stem, device)) return true;
  if (stem.size() != 4) return false;
  const bool numbered = equalsIgnoringAsciiCase(stem.substr(0, 3), u"COM") ||
                        equalsIgnoringAsciiCase(stem.substr(0, 3), u"LPT");
  // The digits include 0 and the superscripts 1 to 3, which Windows reserves as well.
  return numbered && std::u16string_view(u"0123456789\u00B9\u00B2\u00B3").find(stem[3]) !=
                         std::u16string_view::npos;
}

}  // namespace

bool isPlainFileName(const std::u16string& name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  for (const char16_t c : name)
    if (isRefusedCharacter(c)) return false;
  if (name.back() == u'.' || name.back() == u' ') return false;
  return !isDeviceName(name);
}
