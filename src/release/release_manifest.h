#pragma once
// The release manifest: what a published release holds. Every package with its digests and
// the files it installs, and the release number. The publisher writes it beside the packages
// and reads the last one back to keep packages stable from release to release.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ReleaseFile {
  std::string path;  // UTF-8, "/" between folders, as stored in the package
  std::uint64_t size = 0;
  std::uint32_t mode = 0;  // Unix permission bits
  std::string sha256;      // lower-case hexadecimal
  bool operator==(const ReleaseFile&) const = default;
};

struct ReleasePackage {
  std::string name;  // base "." version, as the launcher splits package names
  std::uint64_t size = 0;
  std::string md5;     // upper-case hexadecimal, as the page's list carries it
  std::string sha256;  // lower-case hexadecimal
  std::vector<ReleaseFile> files;  // in path order
};

struct ReleaseManifest {
  int release = 0;
  // Only in signed releases: when the signature stops counting (UTC, "YYYY-MM-DDTHH:MM:SSZ")
  // and the public key of the publisher's next signing key (hexadecimal point), both optional.
  std::string expires;
  std::string nextKey;
  std::vector<ReleasePackage> packages;  // in name order
};

inline constexpr char RELEASE_MANIFEST_FILE[] = "release.json";

// The same manifest gives the same text, byte for byte.
std::string manifestText(const ReleaseManifest& manifest);
// Nothing, with the reason in error, when the text is not a manifest.
std::optional<ReleaseManifest> readManifest(std::string_view text, std::string& error);

// A package name's base and its version as a number; nothing when the version is not one.
struct PackageVersion {
  std::string base;
  int version = 0;
};
std::optional<PackageVersion> packageVersion(const std::string& name);
std::string packageName(const std::string& base, int version);
