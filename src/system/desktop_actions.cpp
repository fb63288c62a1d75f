#include "system/desktop_actions.h"

#include "platform/files.h"
#include "platform/shell_open.h"
#include "platform/window_activation.h"

void open_in_browser(std::u16string_view address) {
  const std::u16string program_files = platform::program_files_folder();
  // An empty folder would send the test to the root of the current drive; without the folder
  // there is no Internet Explorer to find.
  if (!program_files.empty()) {
    const std::u16string explorer = program_files + u"\\Internet Explorer\\iexplore.exe";
    if (file_exists(explorer)) {
      platform::shell_open(explorer, address);
      return;
    }
  }
  platform::shell_open(address, u"");
}

void bring_window_to_front(platform::window_handle window) { platform::present_window(window); }

bool file_exists(const char16_t* path) { return path != nullptr && platform::path_exists(path); }

bool file_exists(const std::u16string& path) { return file_exists(path.c_str()); }
