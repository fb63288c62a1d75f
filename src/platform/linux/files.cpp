#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdio>
#include <memory>

#include "platform/files.h"
#include "platform/linux/native_path.h"
#include "platform/text.h"

namespace platform {

using linux_impl::core_path;
using linux_impl::native_path;

namespace {

bool has_wildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

struct dir_closer {
  void operator()(DIR* d) const { closedir(d); }
};

// The system's words for an errno value, with the number.
write_result failed_write(int error) {
  char buffer[256];
  const char* text = strerror_r(error, buffer, sizeof buffer);
  return {false, std::string(text) + " (" + std::to_string(error) + ")", error == EBUSY};
}

bool is_directory(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::vector<dir_entry> find_files(std::u16string_view pattern) {
  std::vector<dir_entry> found;
  std::string path = native_path(pattern);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const auto slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
  if (!has_wildcard(last)) {
    struct stat st {};
    if (!path.empty() && stat(path.c_str(), &st) == 0) {
      found.push_back({from_utf8(last), S_ISDIR(st.st_mode)});
    }
    return found;
  }
  std::unique_ptr<DIR, dir_closer> dir(opendir(folder.c_str()));
  if (!dir) return found;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    // Windows matches names without regard to case; so does this search.
    if (fnmatch(last.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
    found.push_back({from_utf8(name), is_directory(folder + "/" + name)});
  }
  return found;
}

bool path_exists(std::u16string_view path) { return !find_files(path).empty(); }

bool exact_path_exists(std::u16string_view path) {
  struct stat st {};
  return stat(native_path(path).c_str(), &st) == 0;
}

bool narrow_path_exists(std::string_view ansi_path) {
  return access(native_path(from_ansi(ansi_path)).c_str(), F_OK) == 0;
}

bool delete_file(std::u16string_view path) {
  const std::string native = native_path(path);
  return !is_directory(native) && unlink(native.c_str()) == 0;
}

bool create_directory(std::u16string_view path) {
  return mkdir(native_path(path).c_str(), 0777) == 0;
}

bool set_current_directory(std::u16string_view path) {
  return chdir(native_path(path).c_str()) == 0;
}

std::u16string current_directory() {
  char buffer[PATH_MAX];
  if (!getcwd(buffer, sizeof buffer)) return {};
  return core_path(buffer);
}

std::u16string module_path() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return core_path(std::string_view(buffer, static_cast<std::size_t>(n)));
}

std::optional<std::string> read_file(std::u16string_view path, std::size_t max_bytes) {
  const std::string native = native_path(path);
  if (is_directory(native)) return std::nullopt;
  const int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  char chunk[65536];
  while (bytes.size() < max_bytes) {
    const std::size_t want = std::min(sizeof chunk, max_bytes - bytes.size());
    const ssize_t got = read(fd, chunk, want);
    if (got <= 0) break;
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return bytes;
}

write_result write_file(std::u16string_view path, std::string_view bytes, write_flush flush) {
  const int fd = open(native_path(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return failed_write(errno);
  std::size_t done = 0;
  int error = 0;
  while (done < bytes.size() && error == 0) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    else if (n == 0) error = EIO;  // no progress and no reason given: the device gave up
    else done += static_cast<std::size_t>(n);
  }
  if (error == 0 && flush == write_flush::flushed && fsync(fd) != 0) error = errno;
  // A file system may report a failed write only when the file is closed (NFS, quotas).
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) return failed_write(error);
  return {true, {}};
}

std::string last_error_reason() { return failed_write(errno).reason; }

write_result replace_file(std::u16string_view from, std::u16string_view to) {
  // rename(2) replaces the target atomically.
  if (std::rename(native_path(from).c_str(), native_path(to).c_str()) == 0) return {true, {}};
  return failed_write(errno);
}

bool rename_file(std::u16string_view from, std::u16string_view to) {
  return std::rename(native_path(from).c_str(), native_path(to).c_str()) == 0;
}

output_file::~output_file() { close(); }

bool output_file::open(std::u16string_view path, mode how) {
  close();
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
  flags |= how == mode::append_text ? O_APPEND : O_TRUNC;
  const int fd = ::open(native_path(path).c_str(), flags, 0666);
  if (fd < 0) return false;
  handle_ = fd;
  const off_t end = lseek(fd, 0, SEEK_END);
  position_ = end > 0 ? static_cast<std::uint64_t>(end) : 0;
  text_ = true;  // Linux text files end their lines with "\n" alone
  return true;
}

std::uint64_t output_file::size() const { return position_; }

bool output_file::write(std::string_view bytes) {
  if (!is_open()) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(static_cast<int>(handle_), bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  position_ += done;
  return done == bytes.size();
}

bool output_file::flush() { return is_open(); }  // write(2) leaves nothing in our buffers

void output_file::close() {
  if (!is_open()) return;
  ::close(static_cast<int>(handle_));
  handle_ = invalid;
  position_ = 0;
}

}  // namespace platform
