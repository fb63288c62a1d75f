#include "support/temp_folder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/text.h"
#include "support/user_folders.h"

namespace testing_support {

temp_folder::temp_folder() {
  static std::atomic<unsigned> counter{0};
  std::random_device seed;
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = scratch_parent() /
          ("launcher-test-" + std::to_string(seed()) + "-" + std::to_string(stamp) + "-" +
           std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

temp_folder::~temp_folder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::u16string core_path(const std::filesystem::path& path) {
  std::u16string text = platform::from_utf8(path.u8string().c_str() == nullptr
                                                ? std::string()
                                                : std::string(reinterpret_cast<const char*>(
                                                      path.u8string().c_str())));
  std::replace(text.begin(), text.end(), u'/', u'\\');
  return text;
}

std::u16string temp_folder::core_folder() const { return core_path(path_) + u"\\"; }

std::string read_bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_bytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string random_bytes(std::size_t n, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(n, '\0');
  for (auto& b : bytes) b = static_cast<char>(generator() & 0xFF);
  return bytes;
}

}  // namespace testing_support
