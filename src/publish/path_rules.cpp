#include "publish/path_rules.h"

#include "platform/text.h"
#include "update/entry_path.h"
#include "update/plain_file_name.h"

std::string refusedPathReason(std::string_view path) {
  const std::u16string wide = platform::from_utf8(path);
  if (platform::to_utf8(wide) != path) return "its name is not valid UTF-8";
  if (!entryStaysInside(wide)) return "it would land outside the launcher folder";
  std::u16string_view rest = wide;
  while (true) {
    const std::size_t slash = rest.find(u'/');
    const std::u16string part(rest.substr(0, slash));
    if (!isPlainFileName(part)) {
      std::string reason = platform::to_utf8(part);
      reason.append(
          " is not a plain file name (control or reserved characters, a trailing dot or blank, "
          "or a device name)");
      return reason;
    }
    if (slash == std::u16string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  if (USUAL_LAUNCHER_FOLDER_BYTES + path.size() > LONGEST_PATH_BYTES)
    return "its path is " + std::to_string(path.size()) + " bytes; below a launcher folder of " +
           std::to_string(USUAL_LAUNCHER_FOLDER_BYTES) + " bytes it passes the limit of " +
           std::to_string(LONGEST_PATH_BYTES);
  return {};
}
