#pragma once
// Running the thread's messages from a test, as the launcher's loop would.
#include <windows.h>

#include <functional>

namespace testing_support {

// Handles this thread's messages until done() holds or until_ms have passed; returns done().
// A quit message ends the pump early and is left in the queue for the test to see.
bool pump_until(const std::function<bool()>& done, DWORD until_ms);
void pump_for(DWORD ms);

}  // namespace testing_support
