#include "log/log_manager.h"
#include "platform/event_loop.h"
#include "platform/process.h"
#include "webwindow/web_window.h"

int CWebWindow::Exec(std::u16string commandLine) {
  LOG_LINE(LOG_INFO, "CWebWindow::Exec") << "执行命令";
  std::string reason;
  const int result = platform::start_process(commandLine, &reason) ? 0 : 1;
  // Otherwise a game or updater that cannot start would end the launcher without a trace.
  if (result != 0) {
    LOG_LINE(LOG_ERROR, "CWebWindow::Exec") << "program start fail: " << reason;
  }
  platform::post_quit_message(0);
  return result;
}
