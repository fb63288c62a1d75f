// Package extraction: the bytes are a package archive, extracted by UnzipFile into a launcher
// folder that has a neighbour beside it. Whatever the archive holds: nothing outside the folder
// is written, changed or removed, and every file left in the folder is the whole of some entry
// (its size and CRC-32 as the archive records them), so a failed extraction leaves no partial
// file behind and a successful one no truncated file.
#include <sys/resource.h>
#include <unzip.h>
#include <zlib.h>

#include <csignal>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "support/fuzz_support.h"
#include "update/unzip_file.h"

namespace fs = std::filesystem;

namespace {

fs::path parent;
fs::path inside;
const std::string neighbour_bytes = "the player's own file";

// (size, CRC-32) of every entry the archive's directory lists.
std::set<std::pair<std::uint64_t, std::uint32_t>> recorded_entries(const fs::path& archive) {
  std::set<std::pair<std::uint64_t, std::uint32_t>> entries;
  unzFile file = unzOpen(archive.c_str());
  if (!file) return entries;
  for (int more = unzGoToFirstFile(file); more == UNZ_OK; more = unzGoToNextFile(file)) {
    unz_file_info info{};
    if (unzGetCurrentFileInfo(file, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK)
      entries.insert({info.uncompressed_size, static_cast<std::uint32_t>(info.crc)});
  }
  unzClose(file);
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::isolate_process();
  // An archive may promise more than it holds; a file larger than this fails to be written
  // (no signal), which extraction reports, so one input never fills the disk.
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit largest{64u << 20, 64u << 20};
  setrlimit(RLIMIT_FSIZE, &largest);
  parent = fuzz::fresh_folder("extract");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::error_code ignored;
  fs::remove_all(parent, ignored);
  inside = parent / "launcher";
  fs::create_directories(inside);
  fuzz::write_file_bytes(parent / "neighbour.txt", neighbour_bytes);
  const fs::path archive = parent / "package.zip";
  fuzz::write_file_bytes(archive, std::string(reinterpret_cast<const char*>(data), size));

  UnzipFile(fuzz::core_folder(inside), fuzz::core_folder(parent) + u"package.zip");
  fs::current_path(fuzz::scratch());

  std::set<std::string> beside;
  for (const auto& found : fs::directory_iterator(parent)) beside.insert(found.path().filename());
  FUZZ_CHECK((beside == std::set<std::string>{"launcher", "neighbour.txt", "package.zip"}),
             "something was written beside the folder");
  FUZZ_CHECK(fuzz::read_file_bytes(parent / "neighbour.txt") == neighbour_bytes,
             "the neighbour changed");
  // Listing the entries costs as much as extracting them: only done when there is a file to check.
  std::optional<std::set<std::pair<std::uint64_t, std::uint32_t>>> entries;
  for (const auto& found : fs::recursive_directory_iterator(inside)) {
    FUZZ_CHECK(!found.is_symlink(), found.path().string());
    if (!found.is_regular_file()) continue;
    const std::string bytes = fuzz::read_file_bytes(found.path());
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
    if (!entries) entries = recorded_entries(archive);
    FUZZ_CHECK(entries->count({bytes.size(), crc}) == 1,
               found.path().string() + ": " + std::to_string(bytes.size()) + " bytes");
  }
  return 0;
}
