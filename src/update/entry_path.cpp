#include "update/entry_path.h"

namespace {

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace

bool entryStaysInside(std::u16string_view name) {
  if (name.empty()) return true;
  if (isSeparator(name.front())) return false;
  // Any ":" is refused, not only after a drive letter: on Windows "name:stream" writes into
  // an alternate stream of a file that may lie elsewhere in the folder.
  if (name.find(u':') != std::u16string_view::npos) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !isSeparator(name[end])) ++end;
    if (name.substr(start, end - start) == u"..") return false;
    start = end + 1;
  }
  return true;
}
