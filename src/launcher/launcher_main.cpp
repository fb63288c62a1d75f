#include "launcher/launcher_main.h"

#include <memory>

#include "launcher/hand_over.h"
#include "launcher/main_window.h"
#include "launcher/module_dir.h"
#include "log/log_owner.h"
#include "platform/files.h"
#include "platform/main_thread_session.h"
#include "ui/skin_window.h"
#include "update/install_records.h"
#include "update/started_programs.h"
#include "webwindow/web_window.h"

namespace launcher {

void handOverToUpdater(const std::u16string& folder) {
  const std::u16string marker = folder + u"\\launcher_ud";
  const std::u16string updater = folder + u"\\" + UPDATER_PROGRAM_NAME;
  // A file or a folder of either name counts. The wide paths: a folder whose name the ANSI
  // code page cannot hold must not hide the updater.
  if (!platform::exact_path_exists(marker) || !platform::exact_path_exists(updater)) return;
  LOG_LINE(LOG_INFO, "wWinMain") << "执行更新操作";
  CWebWindow::Exec(updater);
}

int launcherMain(const std::u16string& commandLine) {
  return launcherMain(commandLine, [] {
    // The one web window lives as long as the process: download workers and late events may
    // still reach it while the program ends, so it is never destroyed.
    static auto* webWindow = std::make_unique<CWebWindow>(getModuleDir()).release();
    return runMainWindow(webWindowBinding(*webWindow));
  });
}

int launcherMain(const std::u16string& commandLine, const std::function<int()>& runWindows) {
  // Before anything else: a second start with a launch link leaves no trace of its own.
  if (handOverCommandLine(commandLine)) return 0;
  // The skin's pictures are decoded on a thread of their own from here on, while the log
  // opens and the desktop starts, instead of in front of the web engine's start.
  ui::skin_window::prepare_images();
  const std::u16string folder = getModuleDir();
  const platform::main_thread_session session;
  platform::set_current_directory(folder);

  log_owner log;
  log.init(LOG_DEBUG, LOG_SINK_FILE, folder + u"\\zefa_wd_run.log", 5, 5, false);
  LOG_LINE(LOG_INFO, "wWinMain") << "微端启动, 版本:" << LAUNCHER_VERSION;
  LOG_LINE(LOG_INFO, "wWinMain") << "日志初始化完成";

  checkVerFileExist(folder);
  loadDlist(folder);

  runWindows();

  saveDlist(folder);
  handOverToUpdater(folder);
  LOG_LINE(LOG_INFO, "wWinMain") << "程序准备退出";
  return 0;
}

}  // namespace launcher
