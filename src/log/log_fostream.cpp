#include "log/log_fostream.h"

#include "platform/text.h"

namespace {

constexpr std::uint64_t mebibyte = 1u << 20;
constexpr std::uint64_t largest_file = 300 * mebibyte;

}  // namespace

log_fostream::log_fostream(const std::string& base_path, unsigned size_mib, unsigned file_count)
    : log_fostream(platform::from_ansi(base_path), size_mib, file_count) {}

log_fostream::log_fostream(std::u16string base_path, unsigned size_mib, unsigned file_count)
    : path_(std::move(base_path)) {
  const std::uint64_t bytes = static_cast<std::uint64_t>(size_mib) * mebibyte;
  max_bytes_ = static_cast<std::uint32_t>(bytes == 0 || bytes > largest_file ? largest_file : bytes);
  file_count_ = file_count == 0 || file_count > 200 ? 60 : file_count;
}

std::u16string log_fostream::numbered_path(std::uint32_t n) const {
  const std::string number = std::to_string(n);
  return path_ + u"." + std::u16string(number.begin(), number.end());
}

bool log_fostream::open() {
  return file_.open(numbered_path(1), platform::output_file::mode::append_text);
}

void log_fostream::write(const std::string& line) {
  // A file that could not be reopened after a rotation stays closed: its lines are lost, and
  // no further rotation pushes the older files out.
  if (!file_.is_open()) return;
  if (file_.size() >= max_bytes_) {
    rotate();
    if (!file_.is_open()) return;
  }
  file_.write(line);
  if (line.empty() || line.back() != '\n') file_.write("\n");
  file_.flush();
}

void log_fostream::rotate() {
  file_.close();
  platform::delete_file(numbered_path(file_count_));
  for (std::uint32_t n = file_count_; n >= 2; --n) {
    platform::rename_file(numbered_path(n - 1), numbered_path(n));
  }
  file_.open(numbered_path(1), platform::output_file::mode::truncate_text);
}
