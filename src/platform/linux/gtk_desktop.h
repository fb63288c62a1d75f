#pragma once
// Shared by the GTK desktop's files: GTK start-up, the windows of the loop with their widgets,
// the main thread and the artwork.
#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "platform/event_loop.h"

namespace platform::gtk {

// Starts GTK once, on the X11 backend: the launcher places its windows at absolute positions,
// which only X11 honours. False when there is no display.
bool ensure_started();
// Why GTK could not start ("no X11 display: ..."); empty while it has not failed.
std::string start_problem();

// The thread that runs the loop and owns every widget.
void note_main_thread();
bool on_main_thread();

// A window of the loop. widget is what show_window shows (null for a message-only window);
// children are put into container at absolute positions.
window_handle add_window(window_procedure procedure, GtkWidget* widget, GtkWidget* container);
GtkWidget* widget_of(window_handle window);
GtkWidget* container_of(window_handle window);

template <typename T>
struct gobject_unref {
  void operator()(T* object) const {
    if (object) g_object_unref(object);
  }
};
template <typename T>
using gobject_ptr = std::unique_ptr<T, gobject_unref<T>>;

struct gfree {
  void operator()(void* memory) const { g_free(memory); }
};
using gchar_ptr = std::unique_ptr<char, gfree>;

struct cairo_surface_release {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using cairo_surface_ptr = std::unique_ptr<cairo_surface_t, cairo_surface_release>;

// An image of the program's resources (PNG id), shared; null when there is none.
GdkPixbuf* resource_image(int resource_id);
// The same image ready for cairo to paint (premultiplied ARGB32), shared; null when none.
cairo_surface_t* resource_picture(int resource_id);

}  // namespace platform::gtk
