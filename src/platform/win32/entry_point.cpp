// The program's entry on Windows: wWinMain receives the command line without the program name.
#include <windows.h>
#include <ole2.h>

#include "launcher/launcher_main.h"
#include "platform/win32/wide_text.h"

namespace {

// The browser control and its page need COM and OLE on the UI thread for the whole run.
struct ole_session {
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
