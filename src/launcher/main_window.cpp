#include "launcher/main_window.h"

#include "platform/event_loop.h"

namespace launcher {

// No window exists yet on this build: the loop ends as soon as it starts.
int runMainWindow() {
  platform::post_quit_message(0);
  return platform::run_message_loop();
}

}  // namespace launcher
