#include "publish/package_plan.h"

#include <zlib.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

constexpr std::uint64_t END_RECORD_BYTES = 22;
constexpr std::uint64_t HEADER_BYTES = 30 + 46;  // local and central header without name/extra
constexpr std::uint64_t TIME_FIELD_BYTES = 9;    // the "UT" block, in both headers
constexpr std::size_t FAMILY_NAME_BYTES = 40;

// Packages are named after the folder their first files came from: plain lower-case ASCII that
// every system takes, behind a prefix no game file is expected to share (the launcher deletes
// the files of its folder whose name has a package's base before it fetches the package).
std::string familyOf(const std::string& path) {
  const auto slash = path.rfind('/');
  std::string family;
  for (const char c : slash == std::string::npos ? std::string("top") : path.substr(0, slash)) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    const char shown = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : keep ? c : '-';
    if (shown == '-' && (family.empty() || family.back() == '-')) continue;
    family += shown;
  }
  if (family.size() > FAMILY_NAME_BYTES) family.resize(FAMILY_NAME_BYTES);
  while (!family.empty() && family.back() == '-') family.pop_back();
  return "pkg-" + (family.empty() ? std::string("top") : family);
}

struct Builder {
  std::string base;
  std::string family;
  std::vector<const GameFile*> files;
  std::uint64_t bytes = END_RECORD_BYTES;
  const ReleasePackage* previous = nullptr;
};

bool sameFiles(const std::vector<const GameFile*>& files, const ReleasePackage& previous) {
  if (files.size() != previous.files.size()) return false;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const ReleaseFile now{files[i]->path, files[i]->size, files[i]->mode, files[i]->sha256};
    if (!(now == previous.files[i])) return false;
  }
  return true;
}

}  // namespace

std::uint64_t packedBytesAtMost(const GameFile& file) {
  return compressBound(static_cast<uLong>(file.size)) + HEADER_BYTES +
         2 * (file.path.size() + TIME_FIELD_BYTES);
}

PackagePlan planPackages(const std::vector<GameFile>& files, const ReleaseManifest* previous,
                         std::uint64_t limit, std::uint64_t largest) {
  PackagePlan plan;
  std::vector<Builder> builders;
  std::set<std::string> usedBases;
  std::map<std::string, std::size_t> builderOfPath;
  if (previous) {
    for (const auto& package : previous->packages) {
      const auto named = packageVersion(package.name);
      builders.push_back({named->base, {}, {}, END_RECORD_BYTES, &package});
      usedBases.insert(named->base);
      for (const auto& file : package.files) builderOfPath[file.path] = builders.size() - 1;
    }
  }
  // Every file of last release stays where it was, as far as its package has room.
  std::vector<const GameFile*> homeless;
  for (const auto& file : files) {
    const auto home = builderOfPath.find(file.path);
    if (home == builderOfPath.end()) {
      homeless.push_back(&file);
      continue;
    }
    Builder& builder = builders[home->second];
    if (builder.family.empty()) builder.family = familyOf(file.path);
    const std::uint64_t bytes = packedBytesAtMost(file);
    if (!builder.files.empty() && builder.bytes + bytes > limit) {
      homeless.push_back(&file);
      continue;
    }
    builder.files.push_back(&file);
    builder.bytes += bytes;
  }
  std::sort(homeless.begin(), homeless.end(),
            [](const GameFile* a, const GameFile* b) { return a->path < b->path; });
  for (const GameFile* file : homeless) {
    const std::uint64_t bytes = packedBytesAtMost(*file);
    if (END_RECORD_BYTES + bytes > largest) {
      plan.errors.push_back(file->path + ": refused: " + std::to_string(file->size) +
                            " bytes; its package could pass " + std::to_string(largest) +
                            " bytes, the largest package the launcher takes");
      continue;
    }
    const std::string family = familyOf(file->path);
    auto roomy = std::find_if(builders.begin(), builders.end(), [&](const Builder& b) {
      return b.family == family && b.bytes + bytes <= limit;
    });
    if (roomy == builders.end()) {
      int number = 1;
      while (usedBases.count(family + "-" + std::to_string(number))) ++number;
      builders.push_back({family + "-" + std::to_string(number), family, {}, END_RECORD_BYTES, nullptr});
      usedBases.insert(builders.back().base);
      roomy = builders.end() - 1;
    }
    auto place = std::upper_bound(roomy->files.begin(), roomy->files.end(), file,
                                  [](const GameFile* a, const GameFile* b) { return a->path < b->path; });
    roomy->files.insert(place, file);
    roomy->bytes += bytes;
  }
  for (auto& builder : builders) {
    if (builder.files.empty()) continue;  // every file of it is gone: the package goes too
    PlannedPackage package{builder.base, 1, std::move(builder.files), builder.previous, false};
    if (builder.previous) {
      package.unchanged = sameFiles(package.files, *builder.previous);
      package.version = packageVersion(builder.previous->name)->version + (package.unchanged ? 0 : 1);
    }
    plan.packages.push_back(std::move(package));
  }
  std::sort(plan.packages.begin(), plan.packages.end(),
            [](const PlannedPackage& a, const PlannedPackage& b) { return a.name() < b.name(); });
  return plan;
}
