#pragma once
#include <functional>

#include "platform/event_loop.h"

class CWebWindow;

namespace launcher {

// The web window's part in start-up. It is made over the launcher window while that window is
// created (receiving its handle) and hidden again before the loop runs; it shows itself when
// its page has loaded.
struct web_window_binding {
  std::function<bool(platform::window_handle launcher_window)> create;
  std::function<void()> hide;
  // Gives the keyboard to the browser in the web window.
  std::function<void()> focus;
  // Ends the browser in the web window once the loop has ended, before the launcher window.
  std::function<void()> close;
};

// Creates the launcher window with its web window, shows and draws it and runs the one message
// loop; returns the quit message's code, or -1 when the launcher window cannot be created.
// The browser and the launcher window are ended before it returns.
int runMainWindow(const web_window_binding& webWindow);

// The launcher's web window: made by webWindow as a child of the launcher window over the
// skin's web rectangle, where it hosts the browser and loads the portal.
web_window_binding webWindowBinding(CWebWindow& webWindow);

// A web window without a page: the place over the skin where the browser will sit.
web_window_binding bareWebWindow();

}  // namespace launcher
