// The program's entry on Windows: wWinMain receives the command line without the program name.
#include <windows.h>

#include "launcher/launcher_main.h"
#include "platform/win32/wide_text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int) {
  return launcher::launcherMain(platform::win32::from_wide(command_line ? command_line : L""));
}
