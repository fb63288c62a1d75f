#include "publish/build_command.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <thread>

#include "download/packet_job.h"
#include "platform/text.h"
#include "publish/game_tree.h"
#include "publish/package_maker.h"
#include "publish/package_plan.h"
#include "publish/parallel.h"
#include "publish/progress_line.h"
#include "publish/release_list.h"
#include "update/package_name.h"

namespace fs = std::filesystem;

namespace {

// The launcher refuses a body that reaches its buffer's size.
constexpr std::uint64_t LARGEST_PACKAGE_BYTES = MAX_PACKET_BYTES - 1;

int fail(const std::vector<std::string>& errors) {
  for (const auto& error : errors) std::fprintf(stderr, "launcher-publish: %s\n", error.c_str());
  return 1;
}

bool writeFile(const fs::path& file, const void* data, std::size_t size) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out.flush());
}

bool writeText(const fs::path& file, const std::string& text) { return writeFile(file, text.data(), text.size()); }

std::optional<std::string> readText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string lowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// Files of its own that the launcher keeps in its folder, writes over or deletes: its download
// list, version marker, log and the game's parameter files (deleted once three days old).
bool isLaunchersOwnName(const std::string& lowerName) {
  return lowerName == "dlist" || lowerName.starts_with("wdver.") || lowerName.starts_with("param.") ||
         lowerName.starts_with("zefa_wd_run.log");
}

// Packages lie in the launcher folder beside the game's own top-level files, and the launcher
// deletes every file there whose base name is a package's before it fetches that package.
std::vector<std::string> clashesWithLauncherFiles(const PackagePlan& plan, const std::vector<GameFile>& files) {
  std::set<std::string> bases, names;
  for (const auto& package : plan.packages) {
    bases.insert(lowerAscii(package.base));
    names.insert(lowerAscii(package.name()));
  }
  std::vector<std::string> errors;
  std::set<std::string> topLevel;
  for (const auto& file : files) topLevel.insert(file.path.substr(0, file.path.find('/')));
  for (const auto& name : topLevel) {
    const std::string base = lowerAscii(platform::to_utf8(baseName(platform::from_utf8(name))));
    if (names.count(lowerAscii(name)) || bases.count(base))
      errors.push_back(name + ": refused: the launcher would take it for a version of the package " + base);
    else if (isLaunchersOwnName(lowerAscii(name)))
      errors.push_back(name + ": refused: the launcher keeps a file of its own under this name");
  }
  return errors;
}

std::optional<std::string> checkedOutFolder(const BuildOptions& options) {
  std::error_code failure;
  if (fs::exists(options.outFolder, failure) && !fs::is_empty(options.outFolder, failure))
    return options.outFolder.string() + ": must be a new or empty folder";
  const fs::path game = fs::weakly_canonical(options.gameFolder, failure);
  const fs::path out = fs::weakly_canonical(options.outFolder, failure);
  if (std::mismatch(game.begin(), game.end(), out.begin(), out.end()).first == game.end())
    return options.outFolder.string() + ": must not lie inside the game folder";
  if (options.packageSize == 0 || options.packageSize > MAX_PACKET_BYTES)
    return "--package-size must be between 1 and " + std::to_string(MAX_PACKET_BYTES) + " bytes";
  if (options.baseAddress.find('|') != std::string::npos)
    return "--base-url must not hold \"|\": the list separates its items with it";
  return std::nullopt;
}

// Makes (or takes over) and writes every package of the plan, one per worker at a time, each
// written as soon as it is made: packages are at most 28 MiB, so memory stays bounded whatever
// the size of the game.
std::vector<MadePackage> writePackages(const PackagePlan& plan, const BuildOptions& options, unsigned workers) {
  std::uint64_t filesToPack = 0, bytesToPack = 0;
  for (const auto& package : plan.packages)
    if (!package.unchanged)
      for (const GameFile* file : package.files) filesToPack += 1, bytesToPack += file->size;

  std::vector<MadePackage> made(plan.packages.size());
  // The largest packages go first, so that no worker is left with a big one at the end.
  std::vector<std::size_t> order(plan.packages.size());
  std::vector<std::uint64_t> bytesOf(plan.packages.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    order[i] = i;
    for (const GameFile* file : plan.packages[i].files) bytesOf[i] += file->size;
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return bytesOf[a] > bytesOf[b]; });
  {
    ProgressLine progress(filesToPack, bytesToPack);
    forEachInParallel(order.size(), workers, [&](std::size_t position) {
      const std::size_t index = order[position];
      const PlannedPackage& package = plan.packages[index];
      MadePackage& result = made[index];
      result = package.unchanged ? reusePackage(package, *options.previousFolder)
                                 : makePackage(package, progress);
      const fs::path file = options.outFolder / result.record.name;
      if (result.error.empty() && result.record.size > LARGEST_PACKAGE_BYTES)
        result.error = result.record.name + ": came to " + std::to_string(result.record.size) +
                       " bytes, more than the launcher takes";
      if (result.error.empty() && !writeFile(file, result.bytes.data(), result.bytes.size()))
        result.error = file.string() + ": cannot be written";
      result.bytes = std::vector<unsigned char>();  // its memory goes back now, not at the end
    });
  }
  return made;
}

}  // namespace

int runBuild(const BuildOptions& options) {
  if (const auto problem = checkedOutFolder(options)) return fail({*problem});
  std::optional<ReleaseManifest> previous;
  if (options.previousFolder) {
    const fs::path file = *options.previousFolder / RELEASE_MANIFEST_FILE;
    const auto text = readText(file);
    if (!text) return fail({file.string() + ": cannot be read"});
    std::string error;
    previous = readManifest(*text, error);
    if (!previous) return fail({file.string() + ": not a release manifest: " + error});
  }
  const unsigned workers = std::max(1u, std::thread::hardware_concurrency());

  GameTree tree = scanGameTree(options.gameFolder);
  if (!tree.errors.empty()) return fail(tree.errors);
  // Only files of last release need their digest before packing, to tell whether their
  // package changed; the others get it as they are packed, from the bytes read for that.
  std::set<std::string> previousPaths;
  if (previous)
    for (const auto& package : previous->packages)
      for (const auto& file : package.files) previousPaths.insert(file.path);
  const auto unreadable = hashGameFiles(tree.files, workers, previousPaths);
  if (!unreadable.empty()) return fail(unreadable);
  const std::uint64_t limit = std::min<std::uint64_t>(options.packageSize, LARGEST_PACKAGE_BYTES);
  const PackagePlan plan = planPackages(tree.files, previous ? &*previous : nullptr, limit, LARGEST_PACKAGE_BYTES);
  if (!plan.errors.empty()) return fail(plan.errors);
  if (const auto errors = clashesWithLauncherFiles(plan, tree.files); !errors.empty()) return fail(errors);

  std::error_code failure;
  fs::create_directories(options.outFolder, failure);
  std::vector<MadePackage> made = writePackages(plan, options, workers);

  ReleaseManifest manifest;
  manifest.release = previous ? previous->release + 1 : 1;
  if (options.signing) {
    manifest.expires = options.signing->expires;
    manifest.nextKey = options.signing->nextKey;
  }
  std::vector<std::string> errors;
  std::uint64_t written = 0, reused = 0, newBytes = 0;
  for (std::size_t i = 0; i < made.size(); ++i) {
    if (!made[i].error.empty()) {
      errors.push_back(made[i].error);
      continue;
    }
    if (plan.packages[i].unchanged) {
      reused += 1;
    } else {
      written += 1;
      newBytes += made[i].record.size;
    }
    manifest.packages.push_back(std::move(made[i].record));
  }
  if (!errors.empty()) return fail(errors);
  if (!writeText(options.outFolder / RELEASE_MANIFEST_FILE, manifestText(manifest)) ||
      !writeText(options.outFolder / RELEASE_LIST_FILE, releaseListText(manifest, options.baseAddress)))
    return fail({options.outFolder.string() + ": the manifest or the list cannot be written"});
  if (options.signing)
    if (const auto error = signReleaseFolder(*options.signing, options.outFolder)) return fail({*error});
  std::printf("release %d: %zu packages, %llu written, %llu reused, %llu bytes new for players\n",
              manifest.release, manifest.packages.size(), static_cast<unsigned long long>(written),
              static_cast<unsigned long long>(reused), static_cast<unsigned long long>(newBytes));
  return 0;
}
