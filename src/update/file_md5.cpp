#include "update/file_md5.h"

#include "platform/binary_file.h"
#include "platform/sha256.h"
#include "platform/text.h"
#include "update/md5.h"

namespace {

constexpr std::size_t READ_BYTES = 1024;

}  // namespace

std::string fileMd5Hex(const std::string& ansiPath) {
  return fileMd5Hex(platform::from_ansi(ansiPath));
}

std::string fileMd5Hex(const std::u16string& path) {
  platform::binary_input_file file;
  if (!file.open(path)) return {};
  MD5 md5;
  char piece[READ_BYTES];
  while (const std::size_t got = file.read(piece, sizeof piece)) md5.update(piece, got);
  return md5.hex();
}

FileSha256 fileSha256(const std::u16string& path) {
  platform::binary_input_file file;
  if (!file.open(path)) return {};
  platform::sha256 digest;
  FileSha256 result;
  char piece[READ_BYTES * 16];
  while (const std::size_t got = file.read(piece, sizeof piece)) {
    digest.update(piece, got);
    result.size += got;
  }
  result.hex = digest.hex();
  return result;
}
