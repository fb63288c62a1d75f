#include "platform/linux/xdg_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform::linux_impl {

namespace {

std::string home_folder() {
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
  if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_dir) return entry->pw_dir;
  return {};
}

// Relative values are invalid by the XDG rules and are ignored.
std::string from_variable_or_home(const char* variable, const char* below_home) {
  if (const char* value = std::getenv(variable); value && value[0] == '/') {
    std::string path = value;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
  }
  const std::string home = home_folder();
  if (home.empty()) return {};
  return (home == "/" ? std::string() : home) + below_home;
}

}  // namespace

std::string xdg_config_home() { return from_variable_or_home("XDG_CONFIG_HOME", "/.config"); }
std::string xdg_data_home() { return from_variable_or_home("XDG_DATA_HOME", "/.local/share"); }
std::string xdg_cache_home() { return from_variable_or_home("XDG_CACHE_HOME", "/.cache"); }

bool make_folders(const std::string& path) {
  if (path.empty()) return false;
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace platform::linux_impl
