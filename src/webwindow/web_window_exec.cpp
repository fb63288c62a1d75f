#include "log/log_manager.h"
#include "platform/event_loop.h"
#include "platform/process.h"
#include "platform/text.h"
#include "webwindow/web_window.h"

int CWebWindow::Exec(std::u16string commandLine) {
  LOG_LINE(LOG_INFO, "CWebWindow::Exec") << "执行命令";
  const platform::process_start start = platform::start_process(commandLine);
  // A plain failure stays silent, as it always was. A program that needs administrator rights
  // (an updater, typically) that still did not start, because the consent prompt failed or
  // was declined, would otherwise leave no trace of the update that never ran.
  if (start.needed_elevation && !start.started) {
    LOG_LINE(LOG_ERROR, "CWebWindow::Exec")
        << "start as administrator fail, error=" << start.error << ", " << platform::to_ansi(commandLine);
  }
  const int result = start.started ? 0 : 1;
  platform::post_quit_message(0);
  return result;
}
