// The artwork is compiled into the program as GResources named by their numeric ids. Decoding
// it is most of the skin's work before the first frame, so start-up may have it done on a
// thread of its own while the toolkit and the web engine start (prepare_skin_images); whoever
// needs an image first waits only for what is not decoded yet.
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/linux/gtk_desktop.h"
#include "platform/skin_surface.h"

extern "C" GResource* launcher_assets_get_resource(void);

namespace platform {

namespace gtk {

namespace {

struct decoded_image {
  gobject_ptr<GdkPixbuf> pixels;
  cairo_surface_ptr picture;
};

// The pixels as cairo paints them: premultiplied alpha in native-endian ARGB words.
cairo_surface_ptr premultiplied_picture(GdkPixbuf* pixels) {
  const int width = gdk_pixbuf_get_width(pixels);
  const int height = gdk_pixbuf_get_height(pixels);
  cairo_surface_ptr picture(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(picture.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  const int channels = gdk_pixbuf_get_n_channels(pixels);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixels);
  const int from_stride = gdk_pixbuf_get_rowstride(pixels);
  const guchar* from = gdk_pixbuf_read_pixels(pixels);
  cairo_surface_flush(picture.get());
  const int to_stride = cairo_image_surface_get_stride(picture.get());
  unsigned char* to = cairo_image_surface_get_data(picture.get());
  for (int y = 0; y < height; ++y) {
    const guchar* in = from + y * from_stride;
    auto* out = reinterpret_cast<std::uint32_t*>(to + y * to_stride);
    for (int x = 0; x < width; ++x, in += channels) {
      const std::uint32_t a = alpha ? in[3] : 255;
      // Rounded division by 255, as cairo's own conversion does.
      const auto scale = [a](std::uint32_t c) {
        const std::uint32_t t = c * a + 128;
        return (t + (t >> 8)) >> 8;
      };
      out[x] = (a << 24) | (scale(in[0]) << 16) | (scale(in[1]) << 8) | scale(in[2]);
    }
  }
  cairo_surface_mark_dirty(picture.get());
  return picture;
}

decoded_image decode(int resource_id) {
  static std::once_flag registered;
  std::call_once(registered, [] { g_resources_register(launcher_assets_get_resource()); });
  const std::string path = "/launcher/png/" + std::to_string(resource_id) + ".png";
  decoded_image image;
  image.pixels.reset(gdk_pixbuf_new_from_resource(path.c_str(), nullptr));
  if (image.pixels) image.picture = premultiplied_picture(image.pixels.get());
  return image;
}

// Decoded images, and those a preparing thread has still to decode. The thread is joined
// before the images go, so a program that ends early never pulls them from under it.
struct image_store {
  std::mutex mutex;
  std::condition_variable decoded;
  std::map<int, decoded_image> images;
  std::set<int> pending;
  std::thread preparing;

  ~image_store() {
    if (preparing.joinable()) preparing.join();
  }
};

image_store& store() {
  static image_store instance;
  return instance;
}

const decoded_image& image_of(int resource_id) {
  auto& s = store();
  std::unique_lock lock(s.mutex);
  s.decoded.wait(lock, [&] { return !s.pending.contains(resource_id); });
  auto found = s.images.find(resource_id);
  if (found == s.images.end()) {
    lock.unlock();
    decoded_image image = decode(resource_id);
    lock.lock();
    found = s.images.try_emplace(resource_id, std::move(image)).first;
  }
  return found->second;
}

}  // namespace

GdkPixbuf* resource_image(int resource_id) { return image_of(resource_id).pixels.get(); }

cairo_surface_t* resource_picture(int resource_id) {
  return image_of(resource_id).picture.get();
}

}  // namespace gtk

void prepare_skin_images(const std::vector<int>& resource_ids) {
  auto& s = gtk::store();
  std::lock_guard lock(s.mutex);
  if (s.preparing.joinable()) return;
  for (const int id : resource_ids)
    if (!s.images.contains(id)) s.pending.insert(id);
  try {
    s.preparing = std::thread([resource_ids] {
      auto& store = gtk::store();
      for (const int id : resource_ids) {
        gtk::decoded_image image = gtk::decode(id);
        std::lock_guard guard(store.mutex);
        store.images.try_emplace(id, std::move(image));
        store.pending.erase(id);
        store.decoded.notify_all();
      }
    });
  } catch (const std::system_error&) {
    s.pending.clear();  // no thread to spare: each image is decoded where it is first needed
  }
}

std::optional<image_size> resource_image_size(int resource_id) {
  GdkPixbuf* image = gtk::resource_image(resource_id);
  if (!image) return std::nullopt;
  return image_size{gdk_pixbuf_get_width(image), gdk_pixbuf_get_height(image)};
}

}  // namespace platform
