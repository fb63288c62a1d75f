#include "e2e/synthetic_drag.h"

#include <gtk/gtk.h>

#include <chrono>
#include <thread>

#include "e2e/synthetic_mouse.h"

namespace testing_support {

namespace {

struct drag_source {
  std::vector<std::string> uris;
  bool ended = false;
};

void pump_for(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  do {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (std::chrono::steady_clock::now() < end);
}

void give_uris(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint, gpointer self) {
  const auto& source = *static_cast<drag_source*>(self);
  std::vector<gchar*> list;
  for (const auto& uri : source.uris) list.push_back(const_cast<gchar*>(uri.c_str()));
  list.push_back(nullptr);
  gtk_selection_data_set_uris(data, list.data());
}

void note_end(GtkWidget*, GdkDragContext*, gpointer self) {
  static_cast<drag_source*>(self)->ended = true;
}

// Moves in small steps so that both the source and the window below see the way.
void glide(int from_x, int from_y, int to_x, int to_y, int steps) {
  for (int step = 1; step <= steps; ++step) {
    move_pointer_to(from_x + (to_x - from_x) * step / steps, from_y + (to_y - from_y) * step / steps);
    pump_for(15);
  }
}

}  // namespace

bool drag_uris_to(const std::vector<std::string>& uris, int to_x, int to_y) {
  drag_source source{uris};
  GtkWidget* window = gtk_window_new(GTK_WINDOW_POPUP);
  gtk_window_move(GTK_WINDOW(window), 10, 10);
  gtk_window_set_default_size(GTK_WINDOW(window), 100, 60);
  GtkWidget* handle = gtk_event_box_new();
  gtk_container_add(GTK_CONTAINER(window), handle);
  GtkTargetEntry uri_list{const_cast<gchar*>("text/uri-list"), 0, 0};
  gtk_drag_source_set(handle, GDK_BUTTON1_MASK, &uri_list, 1,
                      static_cast<GdkDragAction>(GDK_ACTION_COPY | GDK_ACTION_LINK));
  g_signal_connect(handle, "drag-data-get", G_CALLBACK(give_uris), &source);
  g_signal_connect(handle, "drag-end", G_CALLBACK(note_end), &source);
  gtk_widget_show_all(window);
  pump_for(300);

  const int start_x = 60, start_y = 40;
  move_pointer_to(start_x, start_y);
  pump_for(100);
  press_left_button(true);
  pump_for(100);
  glide(start_x, start_y, start_x + 40, start_y + 40, 8);  // past the drag threshold
  glide(start_x + 40, start_y + 40, to_x, to_y, 30);
  pump_for(300);  // the window below answers the motion before the drop
  press_left_button(false);
  for (int waited = 0; waited < 3000 && !source.ended; waited += 50) pump_for(50);

  g_signal_handlers_disconnect_by_data(handle, &source);
  gtk_widget_destroy(window);
  pump_for(100);
  return source.ended;
}

}  // namespace testing_support
