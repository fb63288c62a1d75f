#include "publish/release_list.h"

std::string releaseListText(const ReleaseManifest& manifest, const std::string& base) {
  std::string text = base + "||";
  for (const auto& package : manifest.packages) text += package.md5 + "|" + package.name + "||";
  return text;
}
