#include "platform/linux/native_path.h"

#include <algorithm>

#include "platform/text.h"

namespace platform::linux_impl {

std::string native_path(std::u16string_view core) {
  std::string path = to_utf8(core);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::u16string core_path(std::string_view native) {
  std::u16string path = from_utf8(native);
  std::replace(path.begin(), path.end(), u'/', u'\\');
  return path;
}

}  // namespace platform::linux_impl
