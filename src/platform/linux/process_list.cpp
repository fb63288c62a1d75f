#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

#include "platform/linux/native_path.h"
#include "platform/process_list.h"

namespace platform {

namespace {

struct dir_closer {
  void operator()(DIR* d) const { closedir(d); }
};

bool parse_process_id(const char* name, std::uint32_t& id) {
  if (*name < '1' || *name > '9') return false;
  char* end = nullptr;
  const unsigned long value = std::strtoul(name, &end, 10);
  if (*end != '\0' || value > UINT32_MAX) return false;
  id = static_cast<std::uint32_t>(value);
  return true;
}

}  // namespace

std::vector<running_process> list_processes() {
  std::vector<running_process> found;
  std::unique_ptr<DIR, dir_closer> proc(opendir("/proc"));
  if (!proc) return found;
  while (const dirent* entry = readdir(proc.get())) {
    std::uint32_t id = 0;
    if (!parse_process_id(entry->d_name, id)) continue;
    // Another user's processes, kernel threads and zombies have no readable program link.
    char target[PATH_MAX];
    const std::string link = std::string("/proc/") + entry->d_name + "/exe";
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    found.push_back({id, linux_impl::core_path(std::string_view(target, static_cast<std::size_t>(n)))});
  }
  std::sort(found.begin(), found.end(),
            [](const running_process& a, const running_process& b) { return a.id < b.id; });
  return found;
}

bool terminate_process(std::uint32_t id) {
  if (id == 0 || id > static_cast<std::uint32_t>(INT_MAX)) return false;
  return kill(static_cast<pid_t>(id), SIGKILL) == 0;
}

}  // namespace platform
