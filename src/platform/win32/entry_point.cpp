// The program's entry on Windows: wWinMain receives the command line without the program name.
#include <windows.h>

#include <objbase.h>
#include <ole2.h>

#include "launcher/launcher_main.h"
#include "platform/win32/wide_text.h"

namespace {

// COM and OLE for the browser control, in the thread that owns the windows, for the whole run.
// Failures are left to the browser, which then cannot be made.
class ole_session {
 public:
  ole_session() {
    CoInitialize(nullptr);
    OleInitialize(nullptr);
  }
  ~ole_session() {
    OleUninitialize();
    CoUninitialize();
  }
  ole_session(const ole_session&) = delete;
  ole_session& operator=(const ole_session&) = delete;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int) {
  const ole_session ole;
  return launcher::launcherMain(platform::win32::from_wide(command_line ? command_line : L""));
}
