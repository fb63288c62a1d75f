#pragma once
// Shared by the installation tests: archives written from entry lists, the log lines written
// meanwhile, and a test folder that the code under test may make the current folder.
#include <filesystem>
#include <string>
#include <vector>

#include "log/recording_sink.h"
#include "support/stored_zip.h"
#include "support/temp_folder.h"

namespace install_testing {

using testing_support::zip_entry;

void makeZip(const std::filesystem::path& archive, const std::vector<zip_entry>& entries);

// An entry with text content, deflated as packages usually are.
zip_entry fileEntry(const std::string& name, const std::string& data);
zip_entry folderEntry(const std::string& name);
// size bytes counting 0, 1, ... 255, 0, ...
std::string countingBytes(std::size_t size);

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

// Returns to the folder that was current when it was made. Windows cannot remove a process's
// current folder: a guard is declared after the temporary folder it may lead into, and
// restore() comes before removing that folder during a test.
class CurrentFolderGuard {
 public:
  CurrentFolderGuard() : saved_(std::filesystem::current_path()) {}
  ~CurrentFolderGuard() { restore(); }
  void restore() const {
    std::error_code ignored;
    std::filesystem::current_path(saved_, ignored);
  }
  CurrentFolderGuard(const CurrentFolderGuard&) = delete;
  CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

 private:
  std::filesystem::path saved_;
};

}  // namespace install_testing
