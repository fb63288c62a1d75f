// Runs one download job the way the launcher does and waits for it, so that a test can watch
// a worker end the whole process. Arguments: url, folder (core form, ending in "\"), name.
// Prints "window=<handle>" first; when the loop ends without the process having been ended it
// prints "worker left the process running" and exits with 3.
#include <cstdio>
#include <string>

#include "download/packet_map.h"
#include "log/log_manager.h"
#include "platform/headless/headless_desktop.h"
#include "platform/text.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: download_child url folder name\n");
    return 2;
  }
  auto& log = log_manager::instance();
  log.set_threshold(LOG_DEBUG);
  log.echo_to_stdout = true;

  platform::headless::recording_window window;
  std::printf("window=%lu\n", static_cast<unsigned long>(window.handle()));
  std::fflush(stdout);

  CPacketMap map;
  if (map.AddPacket(window.handle(), platform::from_utf8(argv[2]), platform::from_utf8(argv[3]),
                    platform::from_utf8(argv[1]), u"bin") == nullptr)
    return 4;
  map.StartAll();
  platform::headless::run_until(
      [&window] { return window.count(WM_DOWNLOAD_FINISHED) != 0; }, 60000);
  std::printf("worker left the process running\n");
  return 3;
}
