// The program's entry on Linux: the arguments become the Windows-style command line that the
// launcher's start-up reads (without the program name, like wWinMain's).
#include <vector>

#include "launcher/launcher_main.h"
#include "platform/command_line.h"
#include "platform/text.h"

int main(int argc, char** argv) {
  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(platform::from_utf8(argv[i]));
  return launcher::launcherMain(platform::join_command_line(arguments));
}
