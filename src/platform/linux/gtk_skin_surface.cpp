// The launcher window on GTK: an undecorated top-level window over an RGBA visual whose whole
// look is the composed skin picture painted with cairo. Its shape follows the picture's alpha,
// so clicks on fully transparent points reach whatever lies below, and without a compositor
// those points show the desktop. Buttons are areas of the window that get their own pointer
// input; a press anywhere else starts moving the window.
#include <map>
#include <vector>

#include "platform/linux/gtk_desktop.h"
#include "platform/skin_surface.h"
#include "platform/text.h"

namespace platform {

namespace {

struct button_area {
  int x = 0, y = 0, width = 0, height = 0;
  bool leave_armed = false;
  bool hover_armed = false;
};

using gtk::cairo_surface_ptr;

struct region_deleter {
  void operator()(cairo_region_t* region) const { cairo_region_destroy(region); }
};
using cairo_region_ptr = std::unique_ptr<cairo_region_t, region_deleter>;

// The points of the picture that are not fully transparent, as runs of rows.
cairo_region_ptr opaque_region(cairo_surface_t* picture) {
  cairo_surface_flush(picture);
  const int width = cairo_image_surface_get_width(picture);
  const int height = cairo_image_surface_get_height(picture);
  const int stride = cairo_image_surface_get_stride(picture);
  const unsigned char* data = cairo_image_surface_get_data(picture);
  std::vector<cairo_rectangle_int_t> runs;
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
    int x = 0;
    while (x < width) {
      while (x < width && (row[x] >> 24) == 0) ++x;
      const int start = x;
      while (x < width && (row[x] >> 24) != 0) ++x;
      if (x > start) runs.push_back({start, y, x - start, 1});
    }
  }
  return cairo_region_ptr(cairo_region_create_rectangles(runs.data(), static_cast<int>(runs.size())));
}

class gtk_skin_surface final : public skin_surface {
 public:
  gtk_skin_surface(const std::string& title, int width, int height,
                   skin_surface_listener& listener)
      : listener_(listener), width_(width), height_(height) {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(window_);
    gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
    gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_widget_set_app_paintable(window_, TRUE);
    gtk_widget_set_size_request(window_, width, height);
    if (GdkVisual* rgba = gdk_screen_get_rgba_visual(gtk_widget_get_screen(window_)))
      gtk_widget_set_visual(window_, rgba);
    if (GdkPixbuf* icon = gtk::resource_image(101)) gtk_window_set_icon(GTK_WINDOW(window_), icon);
    gtk_widget_add_events(window_, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK |
                                       GDK_BUTTON_RELEASE_MASK | GDK_LEAVE_NOTIFY_MASK);
    layer_ = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(window_), layer_);
    gtk_widget_show(layer_);

    g_signal_connect(window_, "draw", G_CALLBACK(on_draw), this);
    g_signal_connect(window_, "motion-notify-event", G_CALLBACK(on_motion), this);
    g_signal_connect(window_, "leave-notify-event", G_CALLBACK(on_leave), this);
    g_signal_connect(window_, "button-press-event", G_CALLBACK(on_press), this);
    g_signal_connect(window_, "button-release-event", G_CALLBACK(on_release), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(on_delete), this);

    place_in_work_area();
    handle_ = gtk::add_window(
        [](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; }, window_,
        layer_);
  }

  // The widgets stay until the process ends: the launcher window is never destroyed while
  // the program runs, and tearing down the embedded browser on the way out only costs time.
  ~gtk_skin_surface() override {
    g_signal_handlers_disconnect_by_data(window_, this);
    if (hover_source_) g_source_remove(hover_source_);
    if (activation_source_) g_source_remove(activation_source_);
    gtk_widget_hide(window_);
  }

  window_handle handle() const override { return handle_; }

  void set_button_area(int control_id, int x, int y, int width, int height) override {
    auto& area = areas_[control_id];
    area.x = x;
    area.y = y;
    area.width = width;
    area.height = height;
  }

  bool track_pointer(int control_id) override {
    const auto found = areas_.find(control_id);
    if (found == areas_.end()) return false;
    found->second.leave_armed = true;
    found->second.hover_armed = true;
    if (!hover_source_) hover_source_ = g_timeout_add(1, on_hover_time, this);
    return true;
  }

  // Shown and made the active window, as a new window is shown on Windows: typing goes to the
  // launcher from the start. Presenting a shown window also asks a window manager for it.
  // Presenting waits for answers of the X server, which during start-up is busy with the web
  // engine's processes: it is done once the loop runs, so that start-up goes on meanwhile, and
  // with it the web engine, whose processes the loop serves.
  void show() override {
    gtk_widget_show(window_);
    if (!activation_source_) {
      activation_source_ = g_idle_add(
          [](gpointer data) -> gboolean {
            auto& self = *static_cast<gtk_skin_surface*>(data);
            self.activation_source_ = 0;
            if (gtk_widget_get_visible(self.window_)) gtk_window_present(GTK_WINDOW(self.window_));
            return G_SOURCE_REMOVE;
          },
          this);
    }
  }
  void minimise() override { gtk_window_iconify(GTK_WINDOW(window_)); }

  bool present(const std::vector<placed_image>& frame) override {
    cairo_surface_ptr picture(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width_, height_));
    if (cairo_surface_status(picture.get()) != CAIRO_STATUS_SUCCESS) return false;
    cairo_t* cr = cairo_create(picture.get());
    for (const auto& image : frame) {
      cairo_surface_t* pixels = gtk::resource_picture(image.resource_id);
      if (!pixels || image.width <= 0 || image.height <= 0) continue;
      cairo_save(cr);
      cairo_translate(cr, image.x, image.y);
      cairo_scale(cr, double(image.width) / cairo_image_surface_get_width(pixels),
                  double(image.height) / cairo_image_surface_get_height(pixels));
      cairo_set_source_surface(cr, pixels, 0, 0);
      cairo_paint(cr);
      cairo_restore(cr);
    }
    cairo_destroy(cr);
    const auto shape = opaque_region(picture.get());
    gtk_widget_input_shape_combine_region(window_, shape.get());
    // A compositor blends the soft edges; without one the transparent points are cut away.
    if (!gdk_screen_is_composited(gtk_widget_get_screen(window_))) gtk_widget_shape_combine_region(window_, shape.get());
    picture_ = std::move(picture);
    gtk_widget_queue_draw(window_);
    return true;
  }

 private:
  void place_in_work_area() {
    GdkDisplay* display = gtk_widget_get_display(window_);
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (!monitor) monitor = gdk_display_get_monitor(display, 0);
    GdkRectangle work{0, 0, width_, height_};
    if (monitor) gdk_monitor_get_workarea(monitor, &work);
    const int right = work.x + work.width;
    const int bottom = work.y + work.height;
    gtk_window_move(GTK_WINDOW(window_), (right - width_ - work.x) / 2,
                    (bottom - height_ - work.y) / 2);
  }

  int area_at(double x, double y) const {
    for (const auto& [id, area] : areas_)
      if (x >= area.x && x < area.x + area.width && y >= area.y && y < area.y + area.height)
        return id;
    return 0;
  }

  bool opaque_at(double x, double y) const {
    if (!picture_ || x < 0 || y < 0 || x >= width_ || y >= height_) return false;
    const unsigned char* data = cairo_image_surface_get_data(picture_.get());
    const int stride = cairo_image_surface_get_stride(picture_.get());
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + int(y) * stride);
    return (row[int(x)] >> 24) != 0;
  }

  void pointer_now_over(int id) {
    if (id == under_pointer_) return;
    const int left = under_pointer_;
    under_pointer_ = id;
    if (left != 0) {
      auto found = areas_.find(left);
      if (found != areas_.end() && found->second.leave_armed) {
        found->second.leave_armed = false;
        found->second.hover_armed = false;
        listener_.on_button_pointer(left, pointer_event::leave);
      }
    }
  }

  static gboolean on_hover_time(gpointer data) {
    auto& self = *static_cast<gtk_skin_surface*>(data);
    self.hover_source_ = 0;
    const auto found = self.areas_.find(self.under_pointer_);
    if (found != self.areas_.end() && found->second.hover_armed) {
      found->second.hover_armed = false;
      self.listener_.on_button_pointer(found->first, pointer_event::hover);
    }
    return G_SOURCE_REMOVE;
  }

  static gboolean on_draw(GtkWidget*, cairo_t* cr, gpointer data) {
    auto& self = *static_cast<gtk_skin_surface*>(data);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    if (self.picture_)
      cairo_set_source_surface(cr, self.picture_.get(), 0, 0);
    else
      cairo_set_source_rgba(cr, 0, 0, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    return FALSE;  // the web window inside is drawn over the skin
  }

  static gboolean on_motion(GtkWidget*, GdkEventMotion* event, gpointer data) {
    auto& self = *static_cast<gtk_skin_surface*>(data);
    const int id = self.area_at(event->x, event->y);
    self.pointer_now_over(id);
    if (id != 0) self.listener_.on_button_pointer(id, pointer_event::move);
    return FALSE;
  }

  static gboolean on_leave(GtkWidget*, GdkEventCrossing*, gpointer data) {
    static_cast<gtk_skin_surface*>(data)->pointer_now_over(0);
    return FALSE;
  }

  static gboolean on_press(GtkWidget* widget, GdkEventButton* event, gpointer data) {
    auto& self = *static_cast<gtk_skin_surface*>(data);
    if (event->type != GDK_BUTTON_PRESS || event->button != 1) return FALSE;
    if (const int id = self.area_at(event->x, event->y)) {
      self.listener_.on_button_pointer(id, pointer_event::left_down);
      return TRUE;
    }
    if (self.opaque_at(event->x, event->y))
      gtk_window_begin_move_drag(GTK_WINDOW(widget), 1, int(event->x_root), int(event->y_root),
                                 event->time);
    return TRUE;
  }

  static gboolean on_release(GtkWidget*, GdkEventButton* event, gpointer data) {
    auto& self = *static_cast<gtk_skin_surface*>(data);
    if (event->button != 1) return FALSE;
    if (const int id = self.area_at(event->x, event->y))
      self.listener_.on_button_pointer(id, pointer_event::left_up);
    return TRUE;
  }

  // Closing from outside (the window manager) ends the loop, as destroying the window does.
  static gboolean on_delete(GtkWidget*, GdkEvent*, gpointer) {
    post_quit_message(0);
    return TRUE;
  }

  skin_surface_listener& listener_;
  int width_;
  int height_;
  GtkWidget* window_ = nullptr;
  GtkWidget* layer_ = nullptr;
  window_handle handle_ = 0;
  cairo_surface_ptr picture_;
  std::map<int, button_area> areas_;
  int under_pointer_ = 0;
  guint hover_source_ = 0;
  guint activation_source_ = 0;
};

}  // namespace

std::unique_ptr<skin_surface> create_skin_surface(std::u16string_view title, int background_id,
                                                  skin_surface_listener& listener) {
  if (!gtk::ensure_started()) return nullptr;
  const auto size = resource_image_size(background_id);
  if (!size) return nullptr;
  return std::make_unique<gtk_skin_surface>(to_utf8(title), size->width, size->height, listener);
}

window_handle create_child_window(window_handle parent, int x, int y, int width, int height,
                                  window_procedure procedure) {
  GtkWidget* layer = gtk::container_of(parent);
  if (!layer || !GTK_IS_FIXED(layer)) return 0;
  GtkWidget* child = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_set_size_request(child, width, height);
  gtk_fixed_put(GTK_FIXED(layer), child, x, y);
  // WebKit finishes no load in an unmapped view, and the page must load while the web window
  // is still hidden: a child window stays mapped and hides by being clear and deaf to input.
  gtk_widget_set_opacity(child, 0);
  gtk_widget_set_sensitive(child, FALSE);
  gtk_widget_show(child);
  return gtk::add_window(std::move(procedure), child, child);
}

void show_window(window_handle window, bool visible) {
  GtkWidget* widget = gtk::widget_of(window);
  if (!widget) return;
  if (!gtk_widget_is_toplevel(widget)) {
    gtk_widget_set_opacity(widget, visible ? 1 : 0);
    gtk_widget_set_sensitive(widget, visible);
    return;
  }
  if (visible)
    gtk_widget_show(widget);
  else
    gtk_widget_hide(widget);
}

bool window_visible(window_handle window) {
  GtkWidget* widget = gtk::widget_of(window);
  if (widget && !gtk_widget_is_toplevel(widget))
    return gtk_widget_get_opacity(widget) > 0 && gtk_widget_get_visible(widget);
  return widget && gtk_widget_get_visible(widget);
}

}  // namespace platform
