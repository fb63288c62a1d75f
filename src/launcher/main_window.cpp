#include "launcher/main_window.h"

#include "log/log_manager.h"
#include "platform/keyboard_hook.h"
#include "platform/message_box.h"
#include "platform/screen.h"
#include "platform/skin_surface.h"
#include "ui/skin_window.h"
#include "webwindow/web_window.h"

namespace launcher {

int runMainWindow(const web_window_binding& webWindow) {
  // Ended here, in order, while the desktop's loop and registries still live: a window left
  // to static destructors would be torn down after what it unregisters from is gone.
  ui::skin_window mainWindow;
  if (!mainWindow.create(webWindow.create)) {
    // A desktop without a display cannot show the box either: the log keeps the reason.
    if (const std::string problem = platform::display_problem(); !problem.empty()) {
      LOG_LINE(LOG_ERROR, "runMainWindow") << problem;
    }
    platform::message_box(0, u"创建主窗口失败", u"出错啦", platform::box_buttons::ok);
    return -1;
  }
  mainWindow.show();
  mainWindow.render();
  if (webWindow.hide) webWindow.hide();
  if (webWindow.focus) webWindow.focus();
  auto keyboardHook = platform::install_keyboard_hook();
  const int code = platform::run_message_loop();
  keyboardHook.reset();
  // The browser goes before its window and before the system's COM and OLE end with the
  // program; the web window itself stays for the download workers' late messages.
  if (webWindow.close) webWindow.close();
  return code;
}

web_window_binding webWindowBinding(CWebWindow& webWindow) {
  return {[&webWindow](platform::window_handle launcherWindow) {
            return webWindow.CreateWebWindow([launcherWindow](platform::window_procedure procedure) {
              return platform::create_child_window(
                  launcherWindow, ui::skin_window::web_x, ui::skin_window::web_y,
                  ui::skin_window::web_width, ui::skin_window::web_height, std::move(procedure));
            });
          },
          [&webWindow] { platform::show_window(webWindow.Window(), false); },
          [&webWindow] { webWindow.FocusBrowser(); },
          [&webWindow] { webWindow.CloseBrowser(); }};
}

web_window_binding bareWebWindow() {
  static platform::window_handle window = 0;
  return {[](platform::window_handle launcherWindow) {
            window = platform::create_child_window(
                launcherWindow, ui::skin_window::web_x, ui::skin_window::web_y,
                ui::skin_window::web_width, ui::skin_window::web_height,
                [](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; });
            return window != 0;
          },
          [] { platform::show_window(window, false); },
          {},    // no browser to give the keyboard to
          {}};   // nor to close
}

}  // namespace launcher
