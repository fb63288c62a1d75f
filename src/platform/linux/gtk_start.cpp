#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/linux/gtk_desktop.h"

namespace platform::gtk {

namespace {
std::atomic<std::thread::id> main_thread{};
std::string problem;  // written once, under ensure_started's once_flag

// A Wayland session runs X11 programs through XWayland, which sets DISPLAY; without it, or
// with no session at all, there is nothing to show the windows on.
std::string describe_missing_display() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland != nullptr && *wayland != '\0')
      return std::string("no X11 display: DISPLAY is not set; the Wayland session (") + wayland +
             ") offers no XWayland, which the launcher needs";
    return "no X11 display: DISPLAY is not set";
  }
  return std::string("no X11 display: cannot open display ") + display;
}
}  // namespace

bool ensure_started() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] {
    note_main_thread();
    gdk_set_allowed_backends("x11");
    started = gtk_init_check(nullptr, nullptr);
    if (!started) problem = describe_missing_display();
  });
  return started;
}

std::string start_problem() {
  ensure_started();
  return problem;
}

void note_main_thread() {
  std::thread::id none{};
  main_thread.compare_exchange_strong(none, std::this_thread::get_id());
}

bool on_main_thread() {
  const auto owner = main_thread.load();
  return owner == std::thread::id{} || owner == std::this_thread::get_id();
}

}  // namespace platform::gtk
