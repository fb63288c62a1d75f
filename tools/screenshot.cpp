// Saves the whole X screen as a PNG file: screenshot OUT.png. Used by the demo on a virtual
// screen, where no desktop tool takes pictures.
#include <gtk/gtk.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: screenshot OUT.png\n");
    return 2;
  }
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fprintf(stderr, "screenshot: no X display\n");
    return 1;
  }
  GdkWindow* root = gdk_get_default_root_window();
  GdkPixbuf* picture = gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root),
                                                  gdk_window_get_height(root));
  if (!picture) {
    std::fprintf(stderr, "screenshot: the screen could not be read\n");
    return 1;
  }
  GError* error = nullptr;
  const bool saved = gdk_pixbuf_save(picture, argv[1], "png", &error, nullptr);
  g_object_unref(picture);
  if (!saved) {
    std::fprintf(stderr, "screenshot: %s\n", error ? error->message : "cannot save");
    if (error) g_error_free(error);
    return 1;
  }
  return 0;
}
