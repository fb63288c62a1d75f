#include "update/install_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/child_program.h"

namespace install_testing {

std::filesystem::path sourceDir() {
  if (const char* configured = std::getenv("LAUNCHER_SOURCE_DIR")) return configured;
  return LAUNCHER_TEST_SOURCE_DIR;
}

void makeZip(const std::filesystem::path& archive, const std::string& jsonEntries) {
  const auto entriesFile = archive.parent_path() / (archive.filename().string() + ".entries.json");
  testing_support::write_bytes(entriesFile, jsonEntries);
  const auto result = testing_support::run_child(
      "/usr/bin/env", {"python3", (sourceDir() / "tools" / "make_zip.py").string(), archive.string(), entriesFile.string()},
      archive.parent_path(), {});
  std::filesystem::remove(entriesFile);
  if (result.exit_code != 0) ADD_FAILURE() << "make_zip.py failed: " << result.output;
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
