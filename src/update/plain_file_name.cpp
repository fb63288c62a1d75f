#include "update/plain_file_name.h"

bool isPlainFileName(const std::u16string& name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  for (const char16_t c : name) {
    if (c == u'/' || c == u'\\' || c == u':' || c < 0x20 || c == 0x7F) return false;
  }
  return true;
}
