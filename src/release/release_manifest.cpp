#include "release/release_manifest.h"

#include <nlohmann/json.hpp>

#include <charconv>

#include "platform/text.h"
#include "update/package_name.h"

namespace {

using json = nlohmann::json;

std::string octal(std::uint32_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", mode);
  return text;
}

std::optional<std::uint32_t> fromOctal(const std::string& text) {
  std::uint32_t mode = 0;
  const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), mode, 8);
  if (failure != std::errc() || end != text.data() + text.size() || mode > 0777) return std::nullopt;
  return mode;
}

}  // namespace

std::string manifestText(const ReleaseManifest& manifest) {
  json packages = json::array();
  for (const auto& package : manifest.packages) {
    json files = json::array();
    for (const auto& file : package.files)
      files.push_back({{"path", file.path}, {"size", file.size}, {"mode", octal(file.mode)},
                       {"sha256", file.sha256}});
    packages.push_back({{"name", package.name}, {"size", package.size}, {"md5", package.md5},
                        {"sha256", package.sha256}, {"files", std::move(files)}});
  }
  json root = {{"release", manifest.release}, {"packages", std::move(packages)}};
  if (!manifest.expires.empty()) root["expires"] = manifest.expires;
  if (!manifest.nextKey.empty()) root["next_key"] = manifest.nextKey;
  return root.dump(2) + "\n";
}

std::optional<ReleaseManifest> readManifest(std::string_view text, std::string& error) {
  const json root = json::parse(text, nullptr, false);
  if (root.is_discarded() || !root.is_object()) {
    error = "not a JSON object";
    return std::nullopt;
  }
  try {
    ReleaseManifest manifest;
    manifest.release = root.at("release").get<int>();
    manifest.expires = root.value("expires", std::string());
    manifest.nextKey = root.value("next_key", std::string());
    for (const auto& item : root.at("packages")) {
      ReleasePackage package;
      package.name = item.at("name").get<std::string>();
      package.size = item.at("size").get<std::uint64_t>();
      package.md5 = item.at("md5").get<std::string>();
      package.sha256 = item.at("sha256").get<std::string>();
      for (const auto& entry : item.at("files")) {
        ReleaseFile file;
        file.path = entry.at("path").get<std::string>();
        file.size = entry.at("size").get<std::uint64_t>();
        const auto mode = fromOctal(entry.at("mode").get<std::string>());
        if (!mode) {
          error = "file " + file.path + " has no valid mode";
          return std::nullopt;
        }
        file.mode = *mode;
        file.sha256 = entry.at("sha256").get<std::string>();
        package.files.push_back(std::move(file));
      }
      if (!packageVersion(package.name)) {
        error = "package " + package.name + " is not named base.version";
        return std::nullopt;
      }
      manifest.packages.push_back(std::move(package));
    }
    return manifest;
  } catch (const json::exception& failure) {
    error = failure.what();
    return std::nullopt;
  }
}

std::optional<PackageVersion> packageVersion(const std::string& name) {
  const std::u16string wide = platform::from_utf8(name);
  const std::string version = platform::to_utf8(versionSuffix(wide));
  int number = 0;
  const auto [end, failure] = std::from_chars(version.data(), version.data() + version.size(), number);
  if (version.empty() || failure != std::errc() || end != version.data() + version.size() || number < 1)
    return std::nullopt;
  return PackageVersion{platform::to_utf8(baseName(wide)), number};
}

std::string packageName(const std::string& base, int version) { return base + "." + std::to_string(version); }
