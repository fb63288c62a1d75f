#pragma once
// The layered window's picture: premultiplied pixels the size of the skin, onto which the
// resource images are drawn one over the other.
#include <cstdint>
#include <vector>

namespace platform::win32_desktop {

struct decoded_image;

class skin_picture {
 public:
  skin_picture(int width, int height);
  // Draws the image stretched into the rectangle (nearest pixel), over what is there; parts
  // outside the picture are cut off.
  void draw(const decoded_image& image, int x, int y, int width, int height);
  bool opaque_at(int x, int y) const;

  int width() const { return width_; }
  int height() const { return height_; }
  const std::vector<std::uint32_t>& pixels() const { return pixels_; }

 private:
  int width_;
  int height_;
  std::vector<std::uint32_t> pixels_;
};

}  // namespace platform::win32_desktop
