#include "support/win32/message_pump.h"

namespace testing_support {

bool pump_until(const std::function<bool()>& done, DWORD until_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      // A quit message is left for the test to see.
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        return done && done();
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done && done()) return true;
    if (GetTickCount() - start >= until_ms) return done && done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void pump_for(DWORD ms) { pump_until(nullptr, ms); }

}  // namespace testing_support
