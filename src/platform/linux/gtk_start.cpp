#include <atomic>
#include <mutex>
#include <thread>

#include "platform/linux/gtk_desktop.h"

namespace platform::gtk {

namespace {
std::atomic<std::thread::id> main_thread{};
}

bool ensure_started() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] {
    note_main_thread();
    gdk_set_allowed_backends("x11");
    started = gtk_init_check(nullptr, nullptr);
  });
  return started;
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
