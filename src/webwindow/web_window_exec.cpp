#include "log/log_manager.h"
#include "platform/event_loop.h"
#include "platform/process.h"
#include "platform/text.h"
#include "webwindow/web_window.h"

int CWebWindow::Exec(std::u16string commandLine) {
  LOG_LINE(LOG_INFO, "CWebWindow::Exec") << "执行命令";
  const platform::process_start start = platform::start_process(commandLine);
  // Otherwise a game or updater that cannot start would end the launcher without a trace; a
  // program that needs administrator rights also fails when the consent prompt was declined.
  if (!start.started) {
    LOG_LINE(LOG_ERROR, "CWebWindow::Exec")
        << (start.needed_elevation ? "start as administrator fail: " : "program start fail: ")
        << start.reason;
  }
  const int result = start.started ? 0 : 1;
  platform::post_quit_message(0);
  return result;
}
