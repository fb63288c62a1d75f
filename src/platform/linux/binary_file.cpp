#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/binary_file.h"
#include "platform/linux/native_path.h"

namespace platform {

namespace {

// FILETIME counts from 1601; Unix time from 1970, 11,644,473,600 seconds later.
constexpr std::int64_t filetime_unix_epoch = 116444736000000000LL;
constexpr std::int64_t filetime_per_second = 10000000LL;
// Hashing reads small pieces; a larger stream buffer keeps them from each costing a system call.
constexpr std::size_t input_buffer_bytes = 64 * 1024;

timespec to_timespec(std::uint64_t filetime) {
  if (filetime == 0) return timespec{0, UTIME_OMIT};
  const std::int64_t since_epoch = static_cast<std::int64_t>(filetime) - filetime_unix_epoch;
  std::int64_t seconds = since_epoch / filetime_per_second;
  std::int64_t rest = since_epoch % filetime_per_second;
  if (rest < 0) {
    rest += filetime_per_second;
    --seconds;
  }
  timespec result{};
  result.tv_sec = static_cast<time_t>(seconds);
  result.tv_nsec = static_cast<long>(rest * 100);
  return result;
}

// umask() reads the mask only by changing it for a moment, which races with every other thread
// creating files; /proc shows it as it is. Without /proc, mask as tightly as a umask can.
mode_t current_umask() {
  std::FILE* status = std::fopen("/proc/self/status", "re");
  if (!status) return 077;
  mode_t mask = 077;
  char line[256];
  while (std::fgets(line, sizeof line, status)) {
    unsigned value = 0;
    if (std::sscanf(line, "Umask: %o", &value) == 1) {
      mask = static_cast<mode_t>(value & 0777);
      break;
    }
  }
  std::fclose(status);
  return mask;
}

}  // namespace

binary_output_file::~binary_output_file() { close(); }

bool binary_output_file::create(std::u16string_view path) {
  close();
  const int fd = ::open(linux_impl::native_path(path).c_str(),
                        O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

bool binary_output_file::write(const void* data, std::size_t length) {
  if (!is_open()) return false;
  const auto* bytes = static_cast<const char*>(data);
  while (length > 0) {
    const ssize_t n = ::write(static_cast<int>(handle_), bytes, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

bool binary_output_file::is_disk_file() const {
  struct stat st {};
  return is_open() && fstat(static_cast<int>(handle_), &st) == 0 && S_ISREG(st.st_mode);
}

bool binary_output_file::set_times(const file_times& times) {
  if (!is_open()) return false;
  const timespec access_and_modification[2] = {to_timespec(times.access),
                                               to_timespec(times.modification)};
  return futimens(static_cast<int>(handle_), access_and_modification) == 0;
}

bool binary_output_file::set_permissions(std::uint32_t unix_permissions) {
  if (!is_open()) return false;
  const mode_t mode = static_cast<mode_t>(unix_permissions & 0777) & ~current_umask();
  return fchmod(static_cast<int>(handle_), mode) == 0;
}

void binary_output_file::close() {
  if (!is_open()) return;
  ::close(static_cast<int>(handle_));
  handle_ = invalid;
}

binary_input_file::~binary_input_file() { close(); }

bool binary_input_file::open(std::u16string_view path) {
  close();
  const std::string native = linux_impl::native_path(path);
  struct stat st {};
  if (stat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  stream_ = std::fopen(native.c_str(), "rbe");
  if (!stream_) return false;
  // glibc keeps its own small buffer unless it is given one.
  buffer_.resize(input_buffer_bytes);
  std::setvbuf(stream_, buffer_.data(), _IOFBF, buffer_.size());
  return true;
}

std::size_t binary_input_file::read(void* data, std::size_t length) {
  return stream_ ? std::fread(data, 1, length, stream_) : 0;
}

bool binary_input_file::failed() const { return !stream_ || std::ferror(stream_) != 0; }

bool binary_input_file::seek(std::int64_t offset, origin from) {
  const int whence = from == origin::start ? SEEK_SET : from == origin::current ? SEEK_CUR : SEEK_END;
  return stream_ && fseeko(stream_, static_cast<off_t>(offset), whence) == 0;
}

std::int64_t binary_input_file::position() const {
  return stream_ ? static_cast<std::int64_t>(ftello(stream_)) : -1;
}

void binary_input_file::close() {
  if (!stream_) return;
  std::fclose(stream_);
  stream_ = nullptr;
}

}  // namespace platform
