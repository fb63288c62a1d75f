#include "update/file_md5.h"

#include <optional>

#include "platform/binary_file.h"
#include "platform/sha256.h"
#include "platform/text.h"
#include "update/md5.h"

namespace {

constexpr std::size_t READ_BYTES = 16 * 1024;

}  // namespace

std::string fileMd5Hex(const std::string& ansiPath) {
  return fileMd5Hex(platform::from_ansi(ansiPath));
}

std::string fileMd5Hex(const std::u16string& path) { return fileDigests(path, false).md5; }

FileDigests fileDigests(const std::u16string& path, bool withSha256) {
  platform::binary_input_file file;
  if (!file.open(path)) return {};
  MD5 md5;
  std::optional<platform::sha256> sha256;
  if (withSha256) sha256.emplace();
  FileDigests result;
  char piece[READ_BYTES];
  while (const std::size_t got = file.read(piece, sizeof piece)) {
    md5.update(piece, got);
    if (sha256) sha256->update(piece, got);
    result.size += got;
  }
  result.md5 = md5.hex();
  if (sha256) result.sha256 = sha256->hex();
  return result;
}
