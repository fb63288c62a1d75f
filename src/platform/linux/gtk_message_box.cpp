// Message boxes as GTK dialogs. GTK allows widgets only on the main thread, so a box asked for
// by a worker is shown by the main thread while the worker waits for the answer.
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "platform/linux/gtk_desktop.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace platform {

namespace {

int fallback_answer(box_buttons buttons) {
  // Without a screen nobody can agree, so a question is declined.
  return buttons == box_buttons::ok ? answer_ok : answer_cancel;
}

int show_here(window_handle owner, const std::string& text, const std::string& caption,
              box_buttons buttons) {
  if (!gtk::ensure_started()) {
    // Nowhere to show it: the player who started the program from a terminal reads it there.
    std::fprintf(stderr, "%s\n%s: %s\n", gtk::start_problem().c_str(), caption.c_str(),
                 text.c_str());
    return fallback_answer(buttons);
  }
  GtkWindow* parent = nullptr;
  if (GtkWidget* widget = gtk::widget_of(owner)) {
    GtkWidget* top = gtk_widget_get_toplevel(widget);
    if (GTK_IS_WINDOW(top)) parent = GTK_WINDOW(top);
  }
  GtkWidget* dialog = gtk_message_dialog_new(
      parent, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
      buttons == box_buttons::ok ? GTK_BUTTONS_OK : GTK_BUTTONS_OK_CANCEL, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  const int response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  if (response == GTK_RESPONSE_OK) return answer_ok;
  return fallback_answer(buttons);
}

struct box_request {
  window_handle owner;
  std::string text;
  std::string caption;
  box_buttons buttons;
  std::mutex mutex;
  std::condition_variable answered;
  bool done = false;
  int answer = 0;
};

gboolean show_for_worker(gpointer data) {
  auto& request = *static_cast<box_request*>(data);
  const int answer = show_here(request.owner, request.text, request.caption, request.buttons);
  // Notified under the lock: the waiting worker may drop the request as soon as it wakes.
  std::lock_guard lock(request.mutex);
  request.answer = answer;
  request.done = true;
  request.answered.notify_all();
  return G_SOURCE_REMOVE;
}

}  // namespace

int message_box(window_handle owner, std::u16string_view text, std::u16string_view caption,
                box_buttons buttons) {
  if (gtk::on_main_thread()) return show_here(owner, to_utf8(text), to_utf8(caption), buttons);
  // The request lives on this thread's stack until the main thread has answered it.
  box_request request{owner, to_utf8(text), to_utf8(caption), buttons, {}, {}, false, 0};
  g_idle_add(show_for_worker, &request);
  std::unique_lock lock(request.mutex);
  request.answered.wait(lock, [&] { return request.done; });
  return request.answer;
}

}  // namespace platform
