#pragma once
// Reading the X screen back as pictures, and the artwork they are compared with. Needs GTK
// started on X11.
#include <gtk/gtk.h>

#include <cstdlib>
#include <string>
#include <utility>

namespace testing_support {

struct pixbuf_ptr {
  GdkPixbuf* image = nullptr;
  explicit pixbuf_ptr(GdkPixbuf* owned = nullptr) : image(owned) {}
  pixbuf_ptr(pixbuf_ptr&& other) noexcept : image(other.image) { other.image = nullptr; }
  pixbuf_ptr& operator=(pixbuf_ptr&& other) noexcept {
    std::swap(image, other.image);
    return *this;
  }
  ~pixbuf_ptr() {
    if (image) g_object_unref(image);
  }
};

struct rgba {
  int r, g, b, a;
};

inline rgba pixel(const pixbuf_ptr& picture, int x, int y) {
  const int channels = gdk_pixbuf_get_n_channels(picture.image);
  const guchar* p = gdk_pixbuf_get_pixels(picture.image) +
                    y * gdk_pixbuf_get_rowstride(picture.image) + x * channels;
  return {p[0], p[1], p[2], channels == 4 ? p[3] : 255};
}

inline bool same(rgba a, rgba b, int tolerance = 3) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

// A PNG of the program's artwork (src/ui/assets/<id>.png).
inline pixbuf_ptr asset(int id) {
  const std::string path = std::string(LAUNCHER_ASSET_DIR) + "/" + std::to_string(id) + ".png";
  return pixbuf_ptr(gdk_pixbuf_new_from_file(path.c_str(), nullptr));
}

// The whole screen as it is now.
inline pixbuf_ptr screen() {
  GdkWindow* root = gdk_get_default_root_window();
  return pixbuf_ptr(gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root),
                                               gdk_window_get_height(root)));
}

}  // namespace testing_support
