// The event loop on the GLib main loop. Posted messages wait in a locked queue that an idle
// source drains one message per dispatch on the main thread, so workers never touch GLib
// objects of the main thread; timers are GLib timeouts.
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "platform/process_lifetime.h"
#include "platform/linux/gtk_desktop.h"

namespace platform {

namespace {

struct posted {
  window_handle window;
  std::uint32_t message;
  std::uintptr_t wparam;
  std::intptr_t lparam;
};

struct window_entry {
  window_procedure procedure;
  GtkWidget* widget = nullptr;
  GtkWidget* container = nullptr;
};

using timer_key = std::pair<window_handle, std::uintptr_t>;

struct timer_entry {
  guint source = 0;
  std::uint64_t serial = 0;
};

// What a timeout source carries: its timer and which setting of it made the source.
struct timer_tag {
  timer_key key;
  std::uint64_t serial;
};

struct loop_state {
  std::mutex mutex;  // the queue, the window table and the quit request
  std::deque<posted> queue;
  bool drain_scheduled = false;
  std::map<window_handle, window_entry> windows;
  window_handle next_window = 0x10000;
  bool quit_pending = false;
  int quit_code = 0;
  // Main thread only.
  std::map<timer_key, timer_entry> timers;
  std::uint64_t next_serial = 1;
  std::vector<GMainLoop*> running;
};

loop_state& state() { return process_lifetime_object<loop_state>(); }

window_procedure procedure_of(window_handle window) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  const auto found = s.windows.find(window);
  return found == s.windows.end() ? window_procedure{} : found->second.procedure;
}

gboolean drain_one(gpointer) {
  auto& s = state();
  posted next{};
  {
    std::lock_guard lock(s.mutex);
    if (s.queue.empty()) {
      s.drain_scheduled = false;
      return G_SOURCE_REMOVE;
    }
    next = s.queue.front();
    s.queue.pop_front();
  }
  if (auto procedure = procedure_of(next.window)) procedure(next.message, next.wparam, next.lparam);
  std::lock_guard lock(s.mutex);
  if (!s.queue.empty()) return G_SOURCE_CONTINUE;
  s.drain_scheduled = false;
  return G_SOURCE_REMOVE;
}

bool timer_current(const timer_tag& tag) {
  const auto& timers = state().timers;
  const auto found = timers.find(tag.key);
  return found != timers.end() && found->second.serial == tag.serial;
}

gboolean timer_tick(gpointer data) {
  const auto& tag = *static_cast<const timer_tag*>(data);
  if (!timer_current(tag)) return G_SOURCE_REMOVE;
  if (auto procedure = procedure_of(tag.key.first))
    procedure(message_timer, tag.key.second, 0);
  // The handler may have stopped or re-armed this timer; either way this source is done.
  return timer_current(tag) ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

void free_timer_tag(gpointer data) { std::unique_ptr<timer_tag>(static_cast<timer_tag*>(data)); }

gboolean quit_running_loop(gpointer) {
  auto& s = state();
  bool pending = false;
  {
    std::lock_guard lock(s.mutex);
    pending = s.quit_pending;
  }
  if (pending && !s.running.empty()) g_main_loop_quit(s.running.front());
  return G_SOURCE_REMOVE;
}

}  // namespace

namespace gtk {

window_handle add_window(window_procedure procedure, GtkWidget* widget, GtkWidget* container) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  const window_handle handle = s.next_window++;
  s.windows[handle] = {std::move(procedure), widget, container};
  return handle;
}

GtkWidget* widget_of(window_handle window) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  const auto found = s.windows.find(window);
  return found == s.windows.end() ? nullptr : found->second.widget;
}

GtkWidget* container_of(window_handle window) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  const auto found = s.windows.find(window);
  return found == s.windows.end() ? nullptr : found->second.container;
}

}  // namespace gtk

window_handle create_message_window(window_procedure procedure) {
  gtk::note_main_thread();
  return gtk::add_window(std::move(procedure), nullptr, nullptr);
}

bool window_exists(window_handle window) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return s.windows.count(window) != 0;
}

void destroy_window(window_handle window) {
  auto& s = state();
  GtkWidget* widget = nullptr;
  {
    std::lock_guard lock(s.mutex);
    const auto found = s.windows.find(window);
    if (found == s.windows.end()) return;
    widget = found->second.widget;
    s.windows.erase(found);
    std::erase_if(s.queue, [window](const posted& p) { return p.window == window; });
  }
  std::vector<std::uintptr_t> timer_ids;
  for (const auto& [key, entry] : s.timers)
    if (key.first == window) timer_ids.push_back(key.second);
  for (const auto id : timer_ids) kill_timer(window, id);
  if (widget) gtk_widget_destroy(widget);
}

bool post_message(window_handle window, std::uint32_t message, std::uintptr_t wparam,
                  std::intptr_t lparam) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  if (!s.windows.count(window)) return false;
  s.queue.push_back({window, message, wparam, lparam});
  if (!s.drain_scheduled) {
    s.drain_scheduled = true;
    // g_idle_add is safe from any thread and wakes the main context.
    g_idle_add(drain_one, nullptr);
  }
  return true;
}

bool set_timer(window_handle window, std::uintptr_t timer_id, std::uint32_t period_ms) {
  if (!window_exists(window)) return false;
  auto& s = state();
  const timer_key key{window, timer_id};
  kill_timer(window, timer_id);
  auto tag = std::make_unique<timer_tag>(timer_tag{key, s.next_serial++});
  const auto serial = tag->serial;
  const guint source = g_timeout_add_full(G_PRIORITY_DEFAULT, period_ms, timer_tick,
                                          tag.release(), free_timer_tag);
  s.timers[key] = {source, serial};
  return true;
}

bool kill_timer(window_handle window, std::uintptr_t timer_id) {
  auto& timers = state().timers;
  const auto found = timers.find({window, timer_id});
  if (found == timers.end()) return false;
  const guint source = found->second.source;
  timers.erase(found);
  // A tick that is running right now ends its own source when it returns.
  if (GSource* running = g_main_context_find_source_by_id(nullptr, source))
    if (!g_source_is_destroyed(running) && g_main_current_source() != running)
      g_source_destroy(running);
  return true;
}

void post_quit_message(int exit_code) {
  auto& s = state();
  {
    std::lock_guard lock(s.mutex);
    s.quit_pending = true;
    s.quit_code = exit_code;
  }
  g_idle_add(quit_running_loop, nullptr);
}

int run_message_loop() {
  gtk::note_main_thread();
  auto& s = state();
  {
    std::lock_guard lock(s.mutex);
    if (s.quit_pending) {
      s.quit_pending = false;
      return s.quit_code;
    }
  }
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  s.running.push_back(loop);
  g_main_loop_run(loop);
  s.running.pop_back();
  g_main_loop_unref(loop);
  std::lock_guard lock(s.mutex);
  s.quit_pending = false;
  return s.quit_code;
}

}  // namespace platform
