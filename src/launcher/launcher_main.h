#pragma once
#include <functional>
#include <string>

namespace launcher {

// The launcher's start-up, run and exit, after the platform's own entry point (wWinMain on
// Windows, main on Linux) has turned its arguments into the command line. Always returns 0.
int launcherMain(const std::u16string& commandLine);
// The same with the windows and their message loop supplied by the caller (a headless run
// that creates only the web window); runWindows returns the quit message's code.
int launcherMain(const std::u16string& commandLine, const std::function<int()>& runWindows);

// Starts the updater when both "launcher_ud" and "zefaud.exe" are in the folder.
void handOverToUpdater(const std::u16string& folder);

}  // namespace launcher
