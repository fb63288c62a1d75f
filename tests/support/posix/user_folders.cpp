#include "support/user_folders.h"

#include <stdlib.h>

#include <string>
#include <utility>

namespace testing_support {

namespace {

// Set for the programs a test run starts: the folders below belong to that run.
constexpr const char* run_marker = "LAUNCHER_TEST_USER_FOLDERS";

}  // namespace

private_user_folders::private_user_folders() {
  if (getenv(run_marker) != nullptr) return;
  std::string pattern = (std::filesystem::temp_directory_path() / "launcher-test-home-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return;
  owned_ = pattern;
  setenv(run_marker, pattern.c_str(), 1);
  const std::pair<const char*, const char*> folders[] = {{"XDG_CONFIG_HOME", "config"},
                                                         {"XDG_DATA_HOME", "data"},
                                                         {"XDG_CACHE_HOME", "cache"},
                                                         {"XDG_STATE_HOME", "state"}};
  for (const auto& [variable, below] : folders) setenv(variable, (owned_ / below).c_str(), 1);
}

private_user_folders::~private_user_folders() {
  if (owned_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(owned_, ignored);
}

std::filesystem::path scratch_parent() {
  const char* run = getenv(run_marker);
  return run != nullptr ? std::filesystem::path(run) : std::filesystem::temp_directory_path();
}

}  // namespace testing_support
