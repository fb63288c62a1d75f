#include "update/package_digests.h"

#include <system_error>

#include "update/file_md5.h"

void PackageDigests::start(const std::u16string& path) {
  try {
    pending_[path] = std::async(std::launch::async, [path] { return fileMd5Hex(path); });
  } catch (const std::system_error&) {
    pending_.erase(path);
  }
}

std::string PackageDigests::take(const std::u16string& path) {
  const auto found = pending_.find(path);
  if (found == pending_.end()) return fileMd5Hex(path);
  std::string digest = found->second.get();
  pending_.erase(found);
  return digest;
}
