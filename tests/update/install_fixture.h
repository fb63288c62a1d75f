#pragma once
// Shared by the installation tests: archives built by tools/make_zip.py, the log lines written
// meanwhile, and a test folder that the code under test may make the current folder.
#include <filesystem>
#include <string>
#include <vector>

#include "log/recording_sink.h"
#include "support/temp_folder.h"

namespace install_testing {

std::filesystem::path sourceDir();

// Builds an archive from the JSON entry list that tools/make_zip.py takes; fails the test
// (ADD_FAILURE) when the generator does not succeed.
void makeZip(const std::filesystem::path& archive, const std::string& jsonEntries);

// Lines at every level, kept for inspection; ERROR lines are reported to a closed loopback
// port so that tests never depend on a report server.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Lines of the level ("ERROR", "INFO ", ...) and tag whose message contains text.
  std::vector<std::string> lines(const std::string& level, const std::string& tag,
                                 const std::string& text = "") const;

 private:
  recording_sink sink_;
};

// Returns to the folder that was current when it was made.
class CurrentFolderGuard {
 public:
  CurrentFolderGuard() : saved_(std::filesystem::current_path()) {}
  ~CurrentFolderGuard() {
    std::error_code ignored;
    std::filesystem::current_path(saved_, ignored);
  }
  CurrentFolderGuard(const CurrentFolderGuard&) = delete;
  CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

 private:
  std::filesystem::path saved_;
};

}  // namespace install_testing
