#include "update/make_dirs.h"

#include "platform/files.h"

namespace {

bool createMissingLevels(const std::u16string& path) {
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] != u'\\' || (i + 1 < path.size() && path[i + 1] == u'\\')) continue;
    const std::u16string prefix = path.substr(0, i);
    // An empty prefix is the root of an absolute path, which always exists.
    if (prefix.empty() || platform::exact_path_exists(prefix)) continue;
    if (!platform::create_directory(prefix)) return false;
  }
  return platform::exact_path_exists(path) || platform::create_directory(path);
}

}  // namespace

bool makeDirs(const std::u16string& path, std::u16string& resolved) {
  if (!platform::exact_path_exists(path) && !platform::create_directory(path) && !createMissingLevels(path)) {
    return false;
  }
  const std::u16string remembered = platform::current_directory();
  // A file of that name is no folder: reporting the current folder instead would be wrong.
  if (!platform::set_current_directory(path)) return false;
  resolved = platform::current_directory();
  platform::set_current_directory(remembered);
  if (resolved.empty() || resolved.back() != u'\\') resolved += u'\\';
  return true;
}
