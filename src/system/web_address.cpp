#include "system/web_address.h"

namespace {

bool isAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool isSchemeCharacter(char16_t c) {
  return isAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
}

char16_t asciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

}  // namespace

std::u16string addressScheme(std::u16string_view address) {
  std::size_t start = 0;
  while (start < address.size() && (address[start] == u' ' || address[start] == u'\t')) ++start;
  const std::size_t colon = address.find(u':', start);
  if (colon == std::u16string_view::npos || colon == start || !isAsciiLetter(address[start])) return {};
  for (std::size_t i = start; i < colon; ++i)
    if (!isSchemeCharacter(address[i])) return {};
  return std::u16string(address.substr(start, colon - start));
}

bool isWebAddress(std::u16string_view address) {
  std::u16string scheme = addressScheme(address);
  for (auto& c : scheme) c = asciiLower(c);
  return scheme == u"http" || scheme == u"https";
}
