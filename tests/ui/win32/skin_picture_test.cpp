// Composing the layered window's picture: images stretched into their rectangles, cut at the
// picture's edges, and laid over each other with premultiplied alpha.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/skin_surface.h"
#include "platform/win32/desktop/skin_picture.h"
#include "platform/win32/desktop/win32_desktop.h"

namespace {

using platform::win32_desktop::decoded_image;
using platform::win32_desktop::skin_picture;

std::uint32_t at(const skin_picture& picture, int x, int y) {
  return picture.pixels()[static_cast<std::size_t>(y) * picture.width() + x];
}

// 2 x 2: red, green / blue, half-transparent white (premultiplied).
decoded_image quad() {
  return {2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x80808080u}};
}

TEST(SkinPicture, AnImageIsStretchedByNearestPixelIntoItsRectangle) {
  skin_picture picture(6, 6);
  picture.draw(quad(), 1, 1, 4, 4);
  EXPECT_EQ(at(picture, 0, 0), 0u) << "untouched points stay fully transparent";
  EXPECT_EQ(at(picture, 1, 1), 0xFFFF0000u);
  EXPECT_EQ(at(picture, 2, 2), 0xFFFF0000u);
  EXPECT_EQ(at(picture, 3, 1), 0xFF00FF00u);
  EXPECT_EQ(at(picture, 4, 2), 0xFF00FF00u);
  EXPECT_EQ(at(picture, 1, 4), 0xFF0000FFu);
  EXPECT_EQ(at(picture, 4, 4), 0x80808080u);
  EXPECT_EQ(at(picture, 5, 5), 0u);
  EXPECT_TRUE(picture.opaque_at(1, 1));
  EXPECT_TRUE(picture.opaque_at(4, 4)) << "half-transparent still takes the mouse";
  EXPECT_FALSE(picture.opaque_at(0, 0));
  EXPECT_FALSE(picture.opaque_at(-1, 3));
  EXPECT_FALSE(picture.opaque_at(6, 3));
}

TEST(SkinPicture, PartsOutsideThePictureAreCutOff) {
  skin_picture picture(2, 2);
  picture.draw(quad(), -1, -1, 2, 2);  // only the half-transparent corner lands inside
  EXPECT_EQ(at(picture, 0, 0), 0x80808080u);
  EXPECT_EQ(at(picture, 1, 0), 0u);
  picture.draw(quad(), 1, 1, 2, 2);  // only red lands inside
  EXPECT_EQ(at(picture, 1, 1), 0xFFFF0000u);
  picture.draw(quad(), 5, 5, 2, 2);
  picture.draw(quad(), 0, 0, 0, 3);
  EXPECT_EQ(at(picture, 0, 1), 0u);
}

TEST(SkinPicture, LaterImagesLieOverEarlierOnes) {
  skin_picture picture(2, 1);
  const decoded_image opaque_blue{1, 1, {0xFF0000FFu}};
  picture.draw(opaque_blue, 0, 0, 2, 1);
  // Half-transparent white over blue: white's share plus half of the blue below.
  picture.draw(decoded_image{1, 1, {0x80808080u}}, 0, 0, 1, 1);
  EXPECT_EQ(at(picture, 0, 0), 0xFF8080FFu);
  // A fully transparent point leaves what is below.
  picture.draw(decoded_image{1, 1, {0x00000000u}}, 1, 0, 1, 1);
  EXPECT_EQ(at(picture, 1, 0), 0xFF0000FFu);
  // An opaque one replaces it.
  picture.draw(decoded_image{1, 1, {0xFF123456u}}, 1, 0, 1, 1);
  EXPECT_EQ(at(picture, 1, 0), 0xFF123456u);
}

}  // namespace

namespace {

// Width and height from a PNG file's header.
std::pair<int, int> png_file_size(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return {0, 0};
  unsigned char header[24] = {};
  const auto got = std::fread(header, 1, sizeof header, file);
  std::fclose(file);
  if (got != sizeof header) return {0, 0};
  const auto number = [&](int at) {
    return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3];
  };
  return {number(16), number(20)};
}

TEST(ProgramResources, AreTheArtworkFilesDecodedAndNothingElse) {
  for (int id = 103; id <= 109; ++id) {
    const auto size = platform::resource_image_size(id);
    ASSERT_TRUE(size) << id;
    const auto file = png_file_size(std::string(LAUNCHER_ASSET_DIR) + "/" + std::to_string(id) + ".png");
    EXPECT_EQ(size->width, file.first) << id;
    EXPECT_EQ(size->height, file.second) << id;
    const auto* image = platform::win32_desktop::resource_image(id);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->pixels.size(), static_cast<std::size_t>(file.first) * file.second);
  }
  EXPECT_FALSE(platform::resource_image_size(110));
  EXPECT_FALSE(platform::resource_image_size(101)) << "the icon is no PNG resource";
  EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101)), nullptr);
  // The background's corners are see-through, its body opaque.
  const auto* background = platform::win32_desktop::resource_image(103);
  EXPECT_EQ(background->pixels[0] >> 24, 0u);
  EXPECT_EQ(background->pixels[400 * background->width + 200] >> 24, 0xFFu);
}

}  // namespace
