#include "platform/linux/file_replacement.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/files.h"
#include "platform/linux/native_path.h"
#include "platform/text.h"

namespace platform::linux_impl {

namespace {

// As many links as the system itself follows before it gives up on a loop.
constexpr int max_link_hops = 40;

// The file a chain of links leads to (it need not exist); empty for a chain without end.
std::string final_target(std::string path) {
  for (int hop = 0; hop < max_link_hops; ++hop) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t length = readlink(path.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return {};
    const std::string next(target.data(), static_cast<std::size_t>(length));
    if (!next.empty() && next.front() == '/') {
      path = next;
    } else {
      const auto slash = path.rfind('/');
      path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + next;
    }
  }
  return {};
}

}  // namespace

bool replace_file_contents(const std::string& path, std::string_view bytes) {
  const std::string target = final_target(path);
  if (target.empty()) return false;
  const std::u16string target_file = core_path(target);
  // Settings written at every start (the protocol's desktop entry, the default handler) are
  // mostly the same as last time: a file that already holds the bytes is left alone, which
  // spares the start its waits for the disk and leaves the player's file untouched.
  if (const auto existing = read_file(target_file, bytes.size() + 1); existing && *existing == bytes)
    return true;
  const std::u16string temporary = target_file + u".tmp" + from_utf8(std::to_string(getpid()));
  if (!write_file(temporary, bytes)) {
    delete_file(temporary);
    return false;
  }
  struct stat existing {};
  if (stat(target.c_str(), &existing) == 0)
    chmod(native_path(temporary).c_str(), existing.st_mode & 07777);
  if (!replace_file(temporary, target_file)) {
    delete_file(temporary);
    return false;
  }
  return true;
}

}  // namespace platform::linux_impl
