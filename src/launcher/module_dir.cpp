#include "launcher/module_dir.h"

#include "platform/files.h"

namespace {

bool blank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

}  // namespace

std::u16string moduleDirOf(const std::u16string& programPath) {
  const auto slash = programPath.rfind(u'\\');
  if (slash == std::u16string::npos || slash == 0) return u".\\";
  std::u16string folder = programPath.substr(0, slash);
  std::size_t first = 0;
  while (first < folder.size() && blank(folder[first])) ++first;
  std::size_t last = folder.size();
  while (last > first && blank(folder[last - 1])) --last;
  return folder.substr(first, last - first) + u"\\";
}

std::u16string getModuleDir() { return moduleDirOf(platform::module_path()); }
