#include "support/win32/screen_capture.h"

#include <cstdio>

namespace testing_support {

std::string describe(const rgb& colour) {
  char text[32];
  std::snprintf(text, sizeof text, "(%d, %d, %d)", colour.red, colour.green, colour.blue);
  return text;
}

screen_capture::screen_capture(const RECT& area) : area_(area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO description{};
  description.bmiHeader.biSize = sizeof description.bmiHeader;
  description.bmiHeader.biWidth = width;
  description.bmiHeader.biHeight = -height;
  description.bmiHeader.biPlanes = 1;
  description.bmiHeader.biBitCount = 32;
  description.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen, &description, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY)) {
      const auto* first = static_cast<const std::uint32_t*>(bits);
      pixels_.assign(first, first + static_cast<std::size_t>(width) * height);
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

rgb screen_capture::at(int screen_x, int screen_y) const {
  const int x = screen_x - area_.left;
  const int y = screen_y - area_.top;
  const int width = area_.right - area_.left;
  if (pixels_.empty() || x < 0 || y < 0 || x >= width || y >= area_.bottom - area_.top)
    return {};
  const std::uint32_t pixel = pixels_[static_cast<std::size_t>(y) * width + x];
  return {static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
          static_cast<std::uint8_t>(pixel)};
}

}  // namespace testing_support
