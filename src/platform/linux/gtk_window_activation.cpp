// Bringing a launcher window forward on GTK: its top-level window is restored and presented.
#include "platform/linux/gtk_desktop.h"
#include "platform/window_activation.h"

namespace platform {

namespace {

GtkWindow* top_level_of(window_handle window) {
  GtkWidget* widget = gtk::widget_of(window);
  if (!widget) return nullptr;
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  return GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr;
}

}  // namespace

void activate_window(window_handle window) {
  if (GtkWindow* top = top_level_of(window)) gtk_window_present(top);
}

void present_window(window_handle window) {
  GtkWindow* top = top_level_of(window);
  if (!top) return;
  gtk_window_deiconify(top);
  gtk_window_present(top);
}

}  // namespace platform
