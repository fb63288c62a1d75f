// Opening an address on Linux: the desktop's handler through xdg-open, started and left alone.
#include "platform/command_line.h"
#include "platform/process.h"
#include "platform/shell_open.h"

namespace platform {

std::u16string program_files_folder() { return {}; }

bool shell_open(std::u16string_view target, std::u16string_view parameters) {
  if (target.empty()) return false;
  if (parameters.empty()) {
    return start_process(join_command_line({u"xdg-open", std::u16string(target)})).started;
  }
  return start_process(join_command_line({std::u16string(target)}) + u" " +
                       std::u16string(parameters))
      .started;
}

}  // namespace platform
