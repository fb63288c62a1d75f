// The artwork is compiled into the program as GResources named by their numeric ids.
#include <map>
#include <mutex>
#include <string>

#include "platform/linux/gtk_desktop.h"
#include "platform/skin_surface.h"

extern "C" GResource* launcher_assets_get_resource(void);

namespace platform {

namespace gtk {

GdkPixbuf* resource_image(int resource_id) {
  static std::once_flag registered;
  std::call_once(registered, [] { g_resources_register(launcher_assets_get_resource()); });
  static std::mutex mutex;
  static std::map<int, gobject_ptr<GdkPixbuf>> cache;
  std::lock_guard lock(mutex);
  auto found = cache.find(resource_id);
  if (found == cache.end()) {
    const std::string path = "/launcher/png/" + std::to_string(resource_id) + ".png";
    found = cache.emplace(resource_id, gobject_ptr<GdkPixbuf>(
                                           gdk_pixbuf_new_from_resource(path.c_str(), nullptr)))
                .first;
  }
  return found->second.get();
}

}  // namespace gtk

std::optional<image_size> resource_image_size(int resource_id) {
  GdkPixbuf* image = gtk::resource_image(resource_id);
  if (!image) return std::nullopt;
  return image_size{gdk_pixbuf_get_width(image), gdk_pixbuf_get_height(image)};
}

}  // namespace platform
