#include "platform/win32/desktop/skin_picture.h"

#include <algorithm>

#include "platform/win32/desktop/win32_desktop.h"

namespace platform::win32_desktop {

namespace {

// Source over destination, both premultiplied: each channel keeps what the source leaves.
std::uint32_t over(std::uint32_t source, std::uint32_t target) {
  const std::uint32_t alpha = source >> 24;
  if (alpha == 255) return source;
  if (alpha == 0) return target;
  const std::uint32_t keep = 255 - alpha;
  std::uint32_t result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t s = (source >> shift) & 0xFF;
    const std::uint32_t t = (target >> shift) & 0xFF;
    result |= std::min<std::uint32_t>(255, s + (t * keep + 127) / 255) << shift;
  }
  return result;
}

}  // namespace

skin_picture::skin_picture(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0) {}

void skin_picture::draw(const decoded_image& image, int x, int y, int width, int height) {
  if (width <= 0 || height <= 0 || image.width <= 0 || image.height <= 0) return;
  const int first_row = std::max(0, -y);
  const int last_row = std::min(height, height_ - y);
  const int first_column = std::max(0, -x);
  const int last_column = std::min(width, width_ - x);
  for (int row = first_row; row < last_row; ++row) {
    const auto source_row = static_cast<std::size_t>(
        static_cast<long long>(row) * image.height / height);
    const std::uint32_t* source = image.pixels.data() + source_row * image.width;
    std::uint32_t* target = pixels_.data() + static_cast<std::size_t>(y + row) * width_ + x;
    for (int column = first_column; column < last_column; ++column) {
      const auto source_column = static_cast<std::size_t>(
          static_cast<long long>(column) * image.width / width);
      target[column] = over(source[source_column], target[column]);
    }
  }
}

bool skin_picture::opaque_at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
  return (pixels_[static_cast<std::size_t>(y) * width_ + x] >> 24) != 0;
}

}  // namespace platform::win32_desktop
