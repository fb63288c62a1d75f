#pragma once

namespace launcher {

// Creates the launcher's windows and runs the one message loop; returns the quit message's
// code, or -1 when the launcher window cannot be created.
int runMainWindow();

}  // namespace launcher
