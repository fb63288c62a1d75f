#include "release/release_signature.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "platform/signature.h"
#include "update/civil_days.h"

namespace {

std::string_view trimmed(std::string_view text) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && space(text.front())) text.remove_prefix(1);
  while (!text.empty() && space(text.back())) text.remove_suffix(1);
  return text;
}


}  // namespace

std::string hexText(std::string_view bytes) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text += digits[byte >> 4];
    text += digits[byte & 0xF];
  }
  return text;
}

std::optional<std::string> hexBytes(std::string_view text) {
  text = trimmed(text);
  if (text.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    unsigned value = 0;
    const auto [end, failure] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
    if (failure != std::errc() || end != text.data() + i + 2) return std::nullopt;
    bytes += static_cast<char>(value);
  }
  return bytes;
}

std::optional<std::int64_t> utcSeconds(std::string_view text) {
  int year = 0;
  unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0;
  char zone = 0;
  int consumed = 0;
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "%4d-%2u-%2uT%2u:%2u:%2u%c%n", &year, &month, &day, &hour, &minute,
                  &second, &zone, &consumed) != 7 ||
      static_cast<std::size_t>(consumed) != copy.size() || copy.size() != 20 || zone != 'Z' ||
      month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
    return std::nullopt;
  return daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

std::string utcText(std::int64_t seconds) {
  // The inverse of daysFromCivil.
  const std::int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
  const std::int64_t rest = seconds - days * 86400;
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(z - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned mp = (5 * dayOfYear + 2) / 153;
  const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
  char text[96];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02lld:%02lld:%02lldZ",
                static_cast<long long>(year), month, day, static_cast<long long>(rest / 3600),
                static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
  return text;
}

SignedReleaseCheck checkSignedRelease(std::string_view manifestText, std::string_view signatureText,
                                      const ReleaseTrust& trust, std::int64_t now) {
  const auto signature = hexBytes(signatureText);
  if (!signature || signature->size() != platform::signature_size)
    return {std::nullopt, "the release signature is missing or not 64 hexadecimal bytes"};
  std::string refusal = "the release is signed by no key this launcher trusts";
  bool signedByTrustedKey = false;
  for (const auto& key : trust.keys) {
    const auto point = hexBytes(key);
    if (!point) continue;
    const platform::signature_check check = platform::verify_signature(*point, manifestText, *signature);
    if (check.valid) {
      signedByTrustedKey = true;
      break;
    }
    refusal = "the release signature does not hold: " + check.reason;
  }
  if (!signedByTrustedKey) return {std::nullopt, refusal};
  std::string error;
  auto manifest = readManifest(manifestText, error);
  if (!manifest) return {std::nullopt, "the signed manifest cannot be read: " + error};
  if (manifest->release < trust.highestRelease)
    return {std::nullopt, "the release " + std::to_string(manifest->release) +
                              " is older than the release " + std::to_string(trust.highestRelease) +
                              " already accepted"};
  if (manifest->expires.empty()) return {std::nullopt, "the signed manifest has no expiry time"};
  const auto expiry = utcSeconds(manifest->expires);
  if (!expiry) return {std::nullopt, "the signed manifest's expiry time is malformed"};
  if (*expiry <= now) return {std::nullopt, "the signed manifest expired at " + manifest->expires};
  return {std::move(manifest), {}};
}

ReleaseTrust acceptedTrust(ReleaseTrust trust, const ReleaseManifest& manifest) {
  trust.highestRelease = std::max(trust.highestRelease, manifest.release);
  if (!manifest.nextKey.empty() &&
      std::find(trust.keys.begin(), trust.keys.end(), manifest.nextKey) == trust.keys.end())
    trust.keys.push_back(manifest.nextKey);
  return trust;
}
