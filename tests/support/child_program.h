#pragma once
// Runs a program of the build as a child process, as a player or a second start would.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

struct child_result {
  int exit_code = -1;       // -1 when it did not end normally (signal, time-out)
  std::string output;       // standard output and standard error together
};

child_result run_child(const std::filesystem::path& program, const std::vector<std::string>& args,
                       const std::filesystem::path& working_folder,
                       const std::map<std::string, std::string>& extra_environment,
                       int timeout_ms = 30000);

}  // namespace testing_support
