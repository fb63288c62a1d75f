// The work area of the primary monitor as GDK reports it (panels and docks left out).
#include "platform/linux/gtk_desktop.h"
#include "platform/screen.h"

namespace platform {

screen_rect primary_work_area() {
  if (!gtk::ensure_started()) return {};
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
  if (!monitor && display) monitor = gdk_display_get_monitor(display, 0);
  if (!monitor) return {};
  GdkRectangle work{};
  gdk_monitor_get_workarea(monitor, &work);
  return {work.x, work.y, work.x + work.width, work.y + work.height};
}

std::string display_problem() { return gtk::ensure_started() ? std::string() : gtk::start_problem(); }

}  // namespace platform
