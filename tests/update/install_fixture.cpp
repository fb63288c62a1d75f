#include "update/install_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace install_testing {

void makeZip(const std::filesystem::path& archive, const std::vector<zip_entry>& entries) {
  testing_support::write_bytes(archive, testing_support::zip_bytes(entries));
  if (!std::filesystem::exists(archive)) ADD_FAILURE() << "cannot write " << archive;
}

zip_entry fileEntry(const std::string& name, const std::string& data) {
  zip_entry entry;
  entry.name = name;
  entry.data = data;
  entry.deflated = true;
  return entry;
}

zip_entry folderEntry(const std::string& name) {
  zip_entry entry;
  entry.name = name;
  entry.type = zip_entry::kind::folder;
  return entry;
}

std::string countingBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 256);
  return bytes;
}

LogCapture::LogCapture() {
  setenv("LAUNCHER_REPORT_HOST", "127.0.0.1:9", 1);
  log_manager::instance().set_threshold(LOG_DEBUG);
}

LogCapture::~LogCapture() { log_manager::instance().set_threshold(LOG_ERROR); }

std::vector<std::string> LogCapture::lines(const std::string& level, const std::string& tag,
                                           const std::string& text) const {
  std::vector<std::string> found;
  const std::string levelMark = "[" + level + "]";
  const std::string tagMark = "[" + tag + "]>> ";
  for (const auto& line : sink_.lines) {
    if (line.rfind(levelMark, 0) != 0) continue;
    const auto tagAt = line.find(tagMark);
    if (tagAt == std::string::npos) continue;
    if (line.find(text, tagAt + tagMark.size()) == std::string::npos) continue;
    found.push_back(line);
  }
  return found;
}

}  // namespace install_testing
