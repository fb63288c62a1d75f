// The artwork is compiled into the program as PNG resources and decoded by GDI+ from the
// resource bytes into premultiplied pixels, once per image for the whole run.
#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/skin_surface.h"
#include "platform/win32/desktop/win32_desktop.h"

namespace platform {

namespace win32_desktop {

namespace {

namespace gdip = Gdiplus::DllExports;

// GDI+ stays up until the process ends: images may be asked for at any time.
bool gdiplus_started() {
  static const bool started = [] {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  }();
  return started;
}

struct global_memory {
  HGLOBAL handle = nullptr;
  ~global_memory() {
    if (handle) GlobalFree(handle);
  }
};

struct stream_release {
  void operator()(IStream* stream) const { stream->Release(); }
};

struct bitmap_dispose {
  void operator()(Gdiplus::GpBitmap* bitmap) const { gdip::GdipDisposeImage(bitmap); }
};

std::optional<decoded_image> decode(int resource_id) {
  if (!gdiplus_started()) return std::nullopt;
  const HINSTANCE module = program_module();
  const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resource_id), L"PNG");
  if (!found) return std::nullopt;
  const DWORD size = SizeofResource(module, found);
  const HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return std::nullopt;

  // The stream does not own the block: it is freed here once the pixels are copied out.
  global_memory copy{GlobalAlloc(GMEM_FIXED, size)};
  if (!copy.handle) return std::nullopt;
  std::memcpy(copy.handle, bytes, size);
  IStream* raw_stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(copy.handle, FALSE, &raw_stream))) return std::nullopt;
  const std::unique_ptr<IStream, stream_release> stream(raw_stream);

  Gdiplus::GpBitmap* raw_bitmap = nullptr;
  if (gdip::GdipCreateBitmapFromStream(stream.get(), &raw_bitmap) != Gdiplus::Ok)
    return std::nullopt;
  const std::unique_ptr<Gdiplus::GpBitmap, bitmap_dispose> bitmap(raw_bitmap);
  UINT width = 0;
  UINT height = 0;
  gdip::GdipGetImageWidth(bitmap.get(), &width);
  gdip::GdipGetImageHeight(bitmap.get(), &height);
  if (width == 0 || height == 0) return std::nullopt;

  decoded_image image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels.resize(static_cast<std::size_t>(width) * height);
  // GDI+ writes straight into our rows, converted to premultiplied alpha.
  Gdiplus::BitmapData data{};
  data.Width = width;
  data.Height = height;
  data.Stride = static_cast<INT>(width * 4);
  data.PixelFormat = PixelFormat32bppPARGB;
  data.Scan0 = image.pixels.data();
  const Gdiplus::GpRect whole(0, 0, image.width, image.height);
  if (gdip::GdipBitmapLockBits(bitmap.get(), &whole,
                               Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                               PixelFormat32bppPARGB, &data) != Gdiplus::Ok)
    return std::nullopt;
  gdip::GdipBitmapUnlockBits(bitmap.get(), &data);
  return image;
}

}  // namespace

const decoded_image* resource_image(int resource_id) {
  static std::mutex mutex;
  static std::map<int, std::optional<decoded_image>> cache;
  std::lock_guard lock(mutex);
  auto found = cache.find(resource_id);
  if (found == cache.end()) found = cache.emplace(resource_id, decode(resource_id)).first;
  return found->second ? &*found->second : nullptr;
}

}  // namespace win32_desktop

// Each image is decoded where it is first needed, on the main thread, whose session runs GDI+.
void prepare_skin_images(const std::vector<int>&) {}

std::optional<image_size> resource_image_size(int resource_id) {
  const auto* image = win32_desktop::resource_image(resource_id);
  if (!image) return std::nullopt;
  return image_size{image->width, image->height};
}

}  // namespace platform
