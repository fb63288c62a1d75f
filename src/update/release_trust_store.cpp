#include "update/release_trust_store.h"

#include <charconv>

#include "platform/profile.h"
#include "platform/text.h"

namespace {

constexpr std::u16string_view SECTION = u"RELEASE";
constexpr std::u16string_view HIGHEST = u"highest";
constexpr std::u16string_view NEXT_KEYS = u"next_keys";
// A few rotations' worth of keys, each 130 digits and a comma.
constexpr std::size_t BUFFER_CHARS = 4096;

}  // namespace

ReleaseTrust loadReleaseTrust(const std::u16string& confFile, const std::string& builtInKey) {
  ReleaseTrust trust;
  trust.keys.push_back(builtInKey);
  const std::string highest =
      platform::to_utf8(platform::get_profile_string(SECTION, HIGHEST, u"0", 32, confFile));
  std::from_chars(highest.data(), highest.data() + highest.size(), trust.highestRelease);
  const std::string keys =
      platform::to_utf8(platform::get_profile_string(SECTION, NEXT_KEYS, u"", BUFFER_CHARS, confFile));
  for (std::size_t start = 0; start < keys.size();) {
    const std::size_t end = std::min(keys.find(',', start), keys.size());
    if (end > start) trust.keys.push_back(keys.substr(start, end - start));
    start = end + 1;
  }
  return trust;
}

void saveReleaseTrust(const std::u16string& confFile, const ReleaseTrust& trust) {
  std::string keys;
  for (std::size_t i = 1; i < trust.keys.size(); ++i) keys += (i > 1 ? "," : "") + trust.keys[i];
  platform::write_profile_string(SECTION, HIGHEST,
                                 platform::from_utf8(std::to_string(trust.highestRelease)), confFile);
  platform::write_profile_string(SECTION, NEXT_KEYS, platform::from_utf8(keys), confFile);
}
