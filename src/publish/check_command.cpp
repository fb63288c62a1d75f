#include "publish/check_command.h"

#include <cstdio>
#include <fstream>
#include <map>

#include "download/packet_job.h"
#include "platform/sha256.h"
#include "platform/text.h"
#include "publish/game_tree.h"
#include "publish/package_maker.h"
#include "publish/path_rules.h"
#include "publish/release_list.h"
#include "update/package_list.h"
#include "update/plain_file_name.h"
#include "update/unzip_file.h"
#include "update/zip_archive.h"

namespace fs = std::filesystem;

namespace {

std::string hexSha256(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  platform::sha256 digest;
  std::vector<char> piece(1 << 20);
  while (in) {
    in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
    digest.update(piece.data(), static_cast<std::size_t>(in.gcount()));
  }
  return digest.hex();
}

// A folder of its own under the system's temporary folder, removed with what it holds.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "launcher-publish-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

class Findings {
 public:
  void add(const std::string& line) {
    std::fprintf(stderr, "launcher-publish: %s\n", line.c_str());
    count_ += 1;
  }
  int count() const { return count_; }

 private:
  int count_ = 0;
};

// The entries as the launcher reads them, against the files the manifest lists.
void checkEntries(const fs::path& packageFile, const ReleasePackage& package, Findings& findings) {
  ZipArchive archive;
  if (!archive.open(platform::from_utf8(packageFile.string()))) {
    findings.add(package.name + ": not a zip archive the launcher can open");
    return;
  }
  ZipEntry entry;
  archive.describe(-1, entry);
  const std::int32_t count = entry.index;
  std::map<std::string, const ReleaseFile*> listed;
  for (const auto& file : package.files) listed[file.path] = &file;
  if (static_cast<std::size_t>(count) != package.files.size())
    findings.add(package.name + ": holds " + std::to_string(count) + " entries, the manifest lists " +
                 std::to_string(package.files.size()));
  for (std::int32_t index = 0; index < count; ++index) {
    if (archive.describe(index, entry) != ZIP_RESULT_OK) {
      findings.add(package.name + ": entry " + std::to_string(index) + " cannot be read");
      return;
    }
    const std::string name = platform::to_utf8(entry.name);
    if (const std::string reason = refusedPathReason(name); !reason.empty())
      findings.add(package.name + ": entry " + name + ": " + reason);
    const auto file = listed.find(name);
    if (file == listed.end()) {
      findings.add(package.name + ": entry " + name + " is not in the manifest");
      continue;
    }
    if (static_cast<std::uint64_t>(entry.uncompressedSize) != file->second->size)
      findings.add(package.name + ": entry " + name + " is " + std::to_string(entry.uncompressedSize) +
                   " bytes, the manifest says " + std::to_string(file->second->size));
    if (entry.unixPermissions.value_or(0) != file->second->mode)
      findings.add(package.name + ": entry " + name + " does not keep the mode the manifest says");
  }
}

// What the launcher extracts, digest by digest.
void checkContent(const fs::path& packageFile, const ReleasePackage& package, Findings& findings) {
  ScratchFolder scratch;
  if (scratch.path().empty()) {
    findings.add("no temporary folder to extract " + package.name + " into");
    return;
  }
  const fs::path current = fs::current_path();
  const bool extracted = UnzipFile(platform::from_utf8(scratch.path().string() + "/"),
                                   platform::from_utf8(packageFile.string()));
  fs::current_path(current);
  if (!extracted) {
    findings.add(package.name + ": the launcher could not extract it");
    return;
  }
  for (const auto& file : package.files) {
    const fs::path path = scratch.path() / file.path;
    if (!fs::is_regular_file(path)) {
      findings.add(package.name + ": " + file.path + " is not installed by it");
      continue;
    }
    if (hexSha256(path) != file.sha256)
      findings.add(package.name + ": " + file.path + " does not have the SHA-256 the manifest says");
  }
}

void checkPackage(const fs::path& folder, const ReleasePackage& package, Findings& findings) {
  if (!isPlainFileName(platform::from_utf8(package.name)) || !refusedPathReason(package.name).empty()) {
    findings.add(package.name + ": not a package name the launcher takes");
    return;
  }
  const fs::path file = folder / package.name;
  std::vector<unsigned char> bytes;
  if (!readWholeFile(file, package.size, bytes)) {
    findings.add(package.name + ": missing or not " + std::to_string(package.size) + " bytes");
    return;
  }
  if (package.size >= static_cast<std::uint64_t>(MAX_PACKET_BYTES))
    findings.add(package.name + ": larger than the launcher takes");
  ReleasePackage found;
  describeBytes(bytes, found);
  if (found.md5 != package.md5) findings.add(package.name + ": its MD5 is " + found.md5 + ", not " + package.md5);
  if (found.sha256 != package.sha256) findings.add(package.name + ": its SHA-256 is not the manifest's");
  checkEntries(file, package, findings);
  checkContent(file, package, findings);
}

// The list must name exactly the manifest's packages with their digests, read as the
// launcher reads it.
void checkList(const fs::path& folder, const ReleaseManifest& manifest, Findings& findings) {
  std::ifstream in(folder / RELEASE_LIST_FILE, std::ios::binary);
  if (!in) {
    findings.add(std::string(RELEASE_LIST_FILE) + ": missing");
    return;
  }
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  const PackageList list = readPackageList(platform::from_utf8(text));
  std::string expected, found;
  for (const auto& package : manifest.packages) expected += package.md5 + "|" + package.name + "\n";
  for (const auto& item : list.items)
    found += platform::to_utf8(item.digest) + "|" + platform::to_utf8(item.name) + "\n";
  if (expected != found) findings.add(std::string(RELEASE_LIST_FILE) + ": does not list the manifest's packages");
}

}  // namespace

int runCheck(const fs::path& folder) {
  // Extraction moves the current folder: every path is made whole before.
  const fs::path releaseFolder = fs::absolute(folder);
  Findings findings;
  std::ifstream in(releaseFolder / RELEASE_MANIFEST_FILE, std::ios::binary);
  std::string error = "cannot be read";
  std::optional<ReleaseManifest> manifest;
  if (in) manifest = readManifest(std::string(std::istreambuf_iterator<char>(in), {}), error);
  if (!manifest) {
    findings.add((releaseFolder / RELEASE_MANIFEST_FILE).string() + ": not a release manifest: " + error);
    return 1;
  }
  // The launcher deletes the other versions of a package before it fetches one: two packages of
  // one base would take turns deleting each other.
  std::map<std::string, std::string> byBase;
  for (const auto& package : manifest->packages) {
    const auto [other, added] = byBase.emplace(packageVersion(package.name)->base, package.name);
    if (!added) findings.add(package.name + ": has the base name of " + other->second);
    checkPackage(releaseFolder, package, findings);
  }
  checkList(releaseFolder, *manifest, findings);
  if (findings.count() > 0) return 1;
  std::printf("release %d: %zu packages check out\n", manifest->release, manifest->packages.size());
  return 0;
}
