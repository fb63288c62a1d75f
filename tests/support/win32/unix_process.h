#pragma once
// Programs of the Linux side (python3, nginx) started from a Windows test under Wine, which
// runs an ELF program given to CreateProcessW natively. Wine hands out no handle for such a
// process, so a small shell records its process id, and stopping it is a kill on that side too.
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// The Linux path of a Windows path, through Wine's own mapping; empty outside Wine.
std::string unix_path(const std::filesystem::path& windows_path);

// Starts argv (argv[0] found through PATH on the Linux side) and returns its process id, or -1
// when Wine could not start it. pid_file is a Windows path the id passes through.
int start_unix_process(const std::vector<std::string>& argv, const std::filesystem::path& pid_file);
// Whether the process still runs (a process that has ended but is not yet reaped does not).
bool unix_process_running(int pid);
// Starts argv as start_unix_process does and waits for its end, at most limit_s seconds:
// whether it ended in time. Its exit code does not reach here; look at what it made.
bool run_unix_process(const std::vector<std::string>& argv, const std::filesystem::path& pid_file,
                      int limit_s = 60);
// SIGTERM, then SIGKILL when it is still there after a grace time.
void stop_unix_process(int pid);

}  // namespace testing_support
