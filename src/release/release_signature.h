#pragma once
// Whether a signed release may be installed: its manifest signed by a key the launcher trusts,
// not older than the newest it has accepted and not past its expiry. The publisher writes the
// signature beside the manifest; the launcher checks the pair before it touches the game.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "release/release_manifest.h"

inline constexpr char RELEASE_SIGNATURE_FILE[] = "release.json.sig";

// Bytes as lower-case hexadecimal, and back; nothing when the text is not an even run of
// hexadecimal digits (surrounding white space aside).
std::string hexText(std::string_view bytes);
std::optional<std::string> hexBytes(std::string_view text);

// Seconds since 1970 of "YYYY-MM-DDTHH:MM:SSZ"; nothing for any other shape.
std::optional<std::int64_t> utcSeconds(std::string_view text);
std::string utcText(std::int64_t seconds);

// What the launcher remembers from the releases it accepted.
struct ReleaseTrust {
  int highestRelease = 0;
  std::vector<std::string> keys;  // hexadecimal points: the built-in one and those named next
};

struct SignedReleaseCheck {
  std::optional<ReleaseManifest> manifest;  // set when the release may be installed
  std::string reason;                       // why not, otherwise
};

SignedReleaseCheck checkSignedRelease(std::string_view manifestText, std::string_view signatureText,
                                      const ReleaseTrust& trust, std::int64_t now);

// The trust after accepting manifest: its release number and the next key it names.
ReleaseTrust acceptedTrust(ReleaseTrust trust, const ReleaseManifest& manifest);
