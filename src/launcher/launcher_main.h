#pragma once
#include <string>

namespace launcher {

// The launcher's start-up, run and exit, after the platform's own entry point (wWinMain on
// Windows, main on Linux) has turned its arguments into the command line. Always returns 0.
int launcherMain(const std::u16string& commandLine);

// Starts the updater when both "launcher_ud" and "zefaud.exe" are in the folder.
void handOverToUpdater(const std::u16string& folder);

}  // namespace launcher
