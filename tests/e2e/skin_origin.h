#pragma once
// Where the launcher window's top-left corner lands on the screen: the 1030 × 648 skin placed
// in the primary monitor's work area as the launcher places it. Needs GTK started on X11.
#include <gtk/gtk.h>

namespace testing_support {

inline constexpr int skin_width = 1030;
inline constexpr int skin_height = 648;

struct screen_point {
  int x = 0;
  int y = 0;
};

inline screen_point expected_skin_origin() {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) monitor = gdk_display_get_monitor(display, 0);
  GdkRectangle work{};
  gdk_monitor_get_workarea(monitor, &work);
  // The launcher's own formula: right - width - left over two, from the screen's origin.
  return {(work.x + work.width - skin_width - work.x) / 2,
          (work.y + work.height - skin_height - work.y) / 2};
}

}  // namespace testing_support
