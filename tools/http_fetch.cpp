// Fetches one URL as a download job of the launcher and saves it: the job table starts the
// real download worker (its own thread, 2,048-byte body reads into the job's buffer sized from
// the announced length, one write of the whole file at the end) and this program waits on the
// headless event loop for the worker's finished message, as the launcher's window does.
// Used by the benchmark against curl, which writes its file too.
//   http_fetch URL FILE     prints "bytes=<bytes saved>"; exit code 0 on success
// A worker that gives up ends the process itself, with the launcher's exit code 0 after its
// (headless) message box, so the caller checks the saved file, not only the exit code. ERROR
// lines go to standard output, and to the error-report host (LAUNCHER_REPORT_HOST).
#include <cstdio>
#include <string>

#include "download/packet_map.h"
#include "log/log_manager.h"
#include "platform/headless/headless_desktop.h"
#include "platform/text.h"

namespace {

constexpr std::uint32_t wait_ms = 120000;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: http_fetch URL FILE\n");
    return 2;
  }
  // The job's path is its folder followed directly by its name.
  const std::string file = argv[2];
  const std::size_t split = file.find_last_of("/\\") + 1;
  log_manager::instance().echo_to_stdout = true;
  platform::headless::recording_window window;
  CPacketMap jobs;
  if (jobs.AddPacket(window.handle(), platform::from_utf8(file.substr(0, split)),
                     platform::from_utf8(file.substr(split)), platform::from_utf8(argv[1]),
                     u"bin") == nullptr) {
    std::fprintf(stderr, "the URL or the path does not fit a download job\n");
    return 2;
  }
  jobs.StartAll();
  if (!platform::headless::run_until([&] { return window.count(WM_DOWNLOAD_FINISHED) == 1; },
                                     wait_ms)) {
    std::fprintf(stderr, "the download did not finish\n");
    return 1;
  }
  std::printf("bytes=%d\n", jobs.First()->GetReceived());
  return 0;
}
