// The page's dialogs are answered asynchronously: the request is kept until the player answers,
// so the launcher's loop (downloads, timers, launch links) runs on meanwhile without a nested
// loop; only the page waits, as a page does for its dialogs.
#include "platform/linux/webkit_script_dialog.h"

#include <memory>

namespace platform::webkit {

namespace {

// Lives as long as the dialog window: whichever way the window goes, the page gets its answer
// (none given counts as cancelled) and the request is let go.
struct open_dialog {
  WebKitScriptDialog* request = nullptr;  // one reference, held until the window goes
  GtkWidget* entry = nullptr;             // the prompt's text field
  std::function<void()> closed;

  ~open_dialog() {
    webkit_script_dialog_close(request);
    webkit_script_dialog_unref(request);
    if (closed) closed();
  }
};

void free_open_dialog(gpointer data, GClosure*) {
  std::unique_ptr<open_dialog>(static_cast<open_dialog*>(data));
}

void answer(GtkDialog* dialog, int response, gpointer data) {
  auto& open = *static_cast<open_dialog*>(data);
  const bool accepted = response == GTK_RESPONSE_OK;
  switch (webkit_script_dialog_get_dialog_type(open.request)) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
      webkit_script_dialog_confirm_set_confirmed(open.request, accepted);
      break;
    case WEBKIT_SCRIPT_DIALOG_PROMPT:
      // Without a text the page's prompt answers null, as when the player cancels.
      if (accepted)
        webkit_script_dialog_prompt_set_text(open.request,
                                             gtk_entry_get_text(GTK_ENTRY(open.entry)));
      break;
    default:
      break;
  }
  gtk_widget_destroy(GTK_WIDGET(dialog));  // which lets go of open
}

}  // namespace

void show_script_dialog(WebKitScriptDialog* request, GtkWindow* owner,
                        std::function<void()> closed) {
  const auto type = webkit_script_dialog_get_dialog_type(request);
  const bool question = type != WEBKIT_SCRIPT_DIALOG_ALERT;
  GtkWidget* dialog = gtk_message_dialog_new(
      owner, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
      question ? GTK_MESSAGE_QUESTION : GTK_MESSAGE_INFO,
      question ? GTK_BUTTONS_OK_CANCEL : GTK_BUTTONS_OK, "%s",
      webkit_script_dialog_get_message(request));
  if (owner) {
    gtk_window_set_title(GTK_WINDOW(dialog), gtk_window_get_title(owner));
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ON_PARENT);
  }
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);

  auto open = std::make_unique<open_dialog>();
  open->request = webkit_script_dialog_ref(request);
  open->closed = std::move(closed);
  if (type == WEBKIT_SCRIPT_DIALOG_PROMPT) {
    open->entry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(open->entry), webkit_script_dialog_prompt_get_default_text(request));
    gtk_entry_set_activates_default(GTK_ENTRY(open->entry), TRUE);
    GtkWidget* area = gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog));
    gtk_container_add(GTK_CONTAINER(area), open->entry);
    gtk_widget_show(open->entry);
  }
  g_signal_connect_data(dialog, "response", G_CALLBACK(answer), open.release(), free_open_dialog,
                        static_cast<GConnectFlags>(0));
  gtk_window_present(GTK_WINDOW(dialog));
}

}  // namespace platform::webkit
