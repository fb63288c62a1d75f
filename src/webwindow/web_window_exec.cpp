#include "log/log_manager.h"
#include "platform/event_loop.h"
#include "platform/process.h"
#include "webwindow/web_window.h"

int CWebWindow::Exec(std::u16string commandLine) {
  LOG_LINE(LOG_INFO, "CWebWindow::Exec") << "执行命令";
  const int result = platform::start_process(commandLine) ? 0 : 1;
  platform::post_quit_message(0);
  return result;
}
