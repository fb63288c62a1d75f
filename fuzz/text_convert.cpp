// The text conversions: the bytes are read both as narrow text (UTF-8, the ANSI code page of
// Linux) and as UTF-16LE. A conversion that succeeds (replaces nothing with "?") gives the
// same text back when converted the other way; one that replaces something still gives text
// that converts back to itself; case mapping keeps the length.
#include <algorithm>
#include <string>

#include "platform/text.h"
#include "support/fuzz_support.h"

namespace {

bool has_lone_surrogate(const std::u16string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : bytes) (out += digits[c >> 4]) += digits[c & 15];
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::isolate_process();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string narrow(reinterpret_cast<const char*>(data), size);
  const std::u16string wide = platform::from_ansi(narrow);
  FUZZ_CHECK(wide == platform::from_utf8(narrow), hex(narrow));
  FUZZ_CHECK(!has_lone_surrogate(wide), hex(narrow));
  const std::string back = platform::to_ansi(wide);
  const auto marks = [](const auto& text, auto mark) { return std::count(text.begin(), text.end(), mark); };
  if (marks(wide, u'?') == marks(narrow, '?')) FUZZ_CHECK(back == narrow, hex(narrow) + " -> " + hex(back));
  FUZZ_CHECK(platform::from_ansi(back) == wide, hex(narrow));

  const std::u16string units = fuzz::utf16_of(data, size);
  const std::string encoded = platform::to_utf8(units);
  if (!has_lone_surrogate(units)) FUZZ_CHECK(platform::from_utf8(encoded) == units, hex(narrow));
  FUZZ_CHECK(platform::to_utf8(platform::from_utf8(encoded)) == encoded, hex(narrow));

  std::u16string upper = units, lower = units;
  platform::to_upper(upper);
  platform::to_lower(lower);
  FUZZ_CHECK(upper.size() == units.size() && lower.size() == units.size(), hex(narrow));
  return 0;
}
