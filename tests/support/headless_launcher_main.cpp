// The launcher program on the headless desktop, for tests of start-up and exit in a child
// process: a stand-in player clicks the close button as soon as the window has been drawn.
#include <vector>

#include "launcher/launcher_main.h"
#include "platform/command_line.h"
#include "platform/headless/headless_desktop.h"
#include "platform/text.h"
#include "ui/skin_button.h"

int main(int argc, char** argv) {
  platform::window_handle player = 0;
  player = platform::create_message_window([&player](std::uint32_t, std::uintptr_t, std::intptr_t) {
    if (platform::headless::skin().frames == 0) return std::intptr_t{0};
    platform::kill_timer(player, 1);
    using platform::pointer_event;
    for (auto event : {pointer_event::move, pointer_event::hover, pointer_event::left_down,
                       pointer_event::left_up})
      platform::headless::pointer(ui::skin_button::close_id, event);
    return std::intptr_t{0};
  });
  platform::set_timer(player, 1, 5);

  std::vector<std::u16string> arguments;
  // main's arguments are in the system's narrow encoding (GBK on a Chinese Windows).
  for (int i = 1; i < argc; ++i) arguments.push_back(platform::from_ansi(argv[i]));
  return launcher::launcherMain(platform::join_command_line(arguments));
}
