// The real launcher program on an X display: its window is read back from the screen and
// compared with the artwork, then driven with a synthetic mouse (hover, drag, close).
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <sstream>
#include <thread>

#include "e2e/screen_pixels.h"
#include "e2e/synthetic_mouse.h"
#include "skin_origin.h"
#include "support/child_program.h"
#include "support/temp_folder.h"
#include "support/test_server.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_bytes;

using testing_support::skin_height;
using testing_support::skin_width;

using testing_support::asset;
using testing_support::pixbuf_ptr;
using testing_support::pixel;
using testing_support::rgba;
using testing_support::same;
using testing_support::screen;

struct comparison {
  int opaque_checked = 0;
  int opaque_wrong = 0;
  int clear_checked = 0;
  int clear_wrong = 0;
};

bool in_rect(int x, int y, int left, int top, int width, int height) {
  return x >= left && x < left + width && y >= top && y < top + height;
}

// Compares the screen at a window origin with the background artwork: opaque artwork points
// (away from the buttons and the web window) must show the artwork, fully transparent ones
// whatever was on the screen before.
comparison compare(const pixbuf_ptr& shot, const pixbuf_ptr& before, const pixbuf_ptr& skin,
                   int origin_x, int origin_y) {
  comparison result;
  for (int y = 0; y < skin_height; y += 5) {
    for (int x = 0; x < skin_width; x += 5) {
      if (in_rect(x, y, 895, 225, 70, 40) || in_rect(x, y, 385, 269, 595, 327)) continue;
      const rgba art = pixel(skin, x, y);
      const rgba seen = pixel(shot, origin_x + x, origin_y + y);
      if (art.a == 255) {
        ++result.opaque_checked;
        if (!same(seen, art)) ++result.opaque_wrong;
      } else if (art.a == 0) {
        ++result.clear_checked;
        if (!same(seen, pixel(before, origin_x + x, origin_y + y), 0)) ++result.clear_wrong;
      }
    }
  }
  return result;
}

struct SkinWindowOnScreen : ::testing::Test {
  testing_support::temp_folder dir;
  pixbuf_ptr skin = asset(103);
  int origin_x = 0;
  int origin_y = 0;

  void SetUp() override {
    gdk_set_allowed_backends("x11");
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "needs an X display (run under xvfb-run)";
    ASSERT_TRUE(skin.image);
    const testing_support::screen_point origin = testing_support::expected_skin_origin();
    origin_x = origin.x;
    origin_y = origin.y;
    fs::copy_file(LAUNCHER_PROGRAM, dir.path() / "launcher");
    move_pointer(0, 0);
  }

  void move_pointer(int x, int y) { testing_support::move_pointer_to(x, y); }
  void button(bool down) { testing_support::press_left_button(down); }

  // Takes screenshots until the check holds or ten seconds pass; the last one is kept.
  template <typename Check>
  bool wait_for_screen(pixbuf_ptr& shot, Check check) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    do {
      shot = screen();
      if (check(shot)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
  }

  std::future<testing_support::child_result> start_launcher(
      const std::string& portal = "http://127.0.0.1:1/") {
    const fs::path program = dir.path() / "launcher";
    const fs::path folder = dir.path();
    return std::async(std::launch::async, [program, folder, portal] {
      // The program registers its link protocol in the user's folders: keep that here.
      return testing_support::run_child(program, {}, folder,
                                        {{"LAUNCHER_REPORT_HOST", "127.0.0.1:1"},
                                         {"LAUNCHER_PORTAL_ADDRESS", portal},
                                         {"XDG_CONFIG_HOME", (folder / "config").string()},
                                         {"XDG_DATA_HOME", (folder / "data").string()}},
                                        60000);
    });
  }

  // Ends a launcher through its close button and expects its normal exit.
  void close_launcher(std::future<testing_support::child_result>& launcher, int x, int y) {
    move_pointer(x + 932 + 14, y + 230 + 14);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    button(true);
    button(false);
    ASSERT_EQ(launcher.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    const auto result = launcher.get();
    EXPECT_EQ(result.exit_code, 0) << result.output;
  }
};

TEST_F(SkinWindowOnScreen, CentredSkinWithSeeThroughCornersHoverDragAndClose) {
  const pixbuf_ptr before = screen();
  auto launcher = start_launcher();

  pixbuf_ptr shot;
  const bool drawn = wait_for_screen(shot, [&](const pixbuf_ptr& s) {
    const auto c = compare(s, before, skin, origin_x, origin_y);
    return c.opaque_wrong == 0;
  });
  const auto placed = compare(shot, before, skin, origin_x, origin_y);
  EXPECT_TRUE(drawn) << placed.opaque_wrong << " of " << placed.opaque_checked
                     << " opaque skin points differ at the centred position";
  EXPECT_GT(placed.opaque_checked, 10000);
  EXPECT_GT(placed.clear_checked, 1000);
  EXPECT_EQ(placed.clear_wrong, 0) << "transparent parts of the skin show the screen below";
  EXPECT_TRUE(same(pixel(shot, 0, 0), pixel(before, 0, 0), 0));

  // The close button in its normal state, then hovered.
  const pixbuf_ptr normal = asset(105);
  const pixbuf_ptr hover = asset(106);
  const int close_x = origin_x + 932;
  const int close_y = origin_y + 230;
  EXPECT_TRUE(same(pixel(shot, close_x + 14, close_y + 4), pixel(normal, 14, 4)));
  ASSERT_FALSE(same(pixel(normal, 14, 4), pixel(hover, 14, 4))) << "the artwork tells them apart";
  move_pointer(close_x + 14, close_y + 14);
  EXPECT_TRUE(wait_for_screen(shot, [&](const pixbuf_ptr& s) {
    return same(pixel(s, close_x + 14, close_y + 4), pixel(hover, 14, 4));
  })) << "hovering shows image 106";
  move_pointer(origin_x + 600, origin_y + 150);
  EXPECT_TRUE(wait_for_screen(shot, [&](const pixbuf_ptr& s) {
    return same(pixel(s, close_x + 14, close_y + 4), pixel(normal, 14, 4));
  })) << "leaving shows image 105 again";

  // Dragging by an opaque point moves the window by the pointer's way.
  move_pointer(origin_x + 200, origin_y + 400);
  button(true);
  for (int step = 1; step <= 10; ++step) {
    move_pointer(origin_x + 200 + step * 6, origin_y + 400 + step * 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  button(false);
  const int moved_x = origin_x + 60;
  const int moved_y = origin_y + 40;
  EXPECT_TRUE(wait_for_screen(shot, [&](const pixbuf_ptr& s) {
    return compare(s, before, skin, moved_x, moved_y).opaque_wrong == 0;
  })) << "the window follows the drag";

  // A click on the close button ends the launcher through its normal exit.
  close_launcher(launcher, moved_x, moved_y);
  const std::string log = read_bytes(dir.path() / "zefa_wd_run.log.1");
  EXPECT_NE(log.rfind("[wWinMain]>> 程序准备退出"), std::string::npos) << log;
  EXPECT_EQ(read_bytes(dir.path() / "dlist"), std::string("|\0|\0", 4)) << "the list was saved";
}

}  // namespace

// The page of the colour-key test: a known background over the whole web window, blocks of
// pure green (one of them drawn by a frame), of greens one step away from it and of black.
constexpr rgba page_colour{200, 120, 40, 255};
struct page_block {
  int x, y;        // in the web window, 120 x 80 each
  rgba colour;
  bool see_through;
};
const page_block page_blocks[] = {
    {40, 40, {0, 255, 0, 255}, true},    {200, 40, {0, 254, 0, 255}, false},
    {360, 40, {1, 255, 0, 255}, false},  {40, 180, {0, 255, 1, 255}, false},
    {200, 180, {0, 255, 0, 255}, true},  // inside a frame
    {360, 180, {0, 0, 0, 255}, false},
};

const char* const colour_page = R"html(<!DOCTYPE html>
<html><head><meta charset="utf-8"><style>
html, body { margin: 0; height: 100%; overflow: hidden; background: rgb(200, 120, 40) }
.block { position: absolute; width: 120px; height: 80px; border: 0 }
</style></head><body>
<div class="block" style="left: 40px; top: 40px; background: rgb(0, 255, 0)"></div>
<div class="block" style="left: 200px; top: 40px; background: rgb(0, 254, 0)"></div>
<div class="block" style="left: 360px; top: 40px; background: rgb(1, 255, 0)"></div>
<div class="block" style="left: 40px; top: 180px; background: rgb(0, 255, 1)"></div>
<iframe class="block" style="left: 200px; top: 180px"
        srcdoc="<body style='margin: 0; background: rgb(0, 255, 0)'></body>"></iframe>
<div class="block" style="left: 360px; top: 180px; background: rgb(0, 0, 0)"></div>
<script>
// A page that rebuilds its document must not lose the key.
for (const node of document.querySelectorAll("html > svg")) node.remove();
</script>
</body></html>)html";

constexpr int web_x = 389;
constexpr int web_y = 273;
constexpr int web_width = 587;
constexpr int web_height = 319;

TEST_F(SkinWindowOnScreen, WebWindowShowsThePageInItsRectangleAndPureGreenIsSeeThrough) {
  testing_support::temp_folder site;
  testing_support::write_bytes(site.path() / "colour.html", colour_page);
  testing_support::test_server server(site.path());
  ASSERT_TRUE(server.running());
  auto launcher = start_launcher(server.base_url() + "/colour.html");

  const int left = origin_x + web_x;
  const int top = origin_y + web_y;
  auto on_screen = [&](const pixbuf_ptr& s, int x, int y) { return pixel(s, left + x, top + y); };
  auto skin_at = [&](int x, int y) { return pixel(skin, web_x + x, web_y + y); };
  auto in_block = [](int x, int y) {
    for (const auto& block : page_blocks)
      if (in_rect(x, y, block.x - 2, block.y - 2, 124, 84)) return true;
    return false;
  };

  pixbuf_ptr shot;
  ASSERT_TRUE(wait_for_screen(shot, [&](const pixbuf_ptr& s) {
    return same(on_screen(s, 5, 5), page_colour, 0) &&
           same(on_screen(s, web_width - 5, web_height - 5), page_colour, 0);
  })) << "the page appears once it has loaded";
  // Give the frame its own load before reading the blocks.
  ASSERT_TRUE(wait_for_screen(shot, [&](const pixbuf_ptr& s) {
    return !same(on_screen(s, 260, 220), page_colour, 0);
  }));

  // The page fills exactly the web window's rectangle: every point inside shows the page's
  // colour (away from the blocks), the points just outside show the skin.
  int inside = 0, inside_wrong = 0;
  for (int y = 0; y < web_height; y += 3) {
    for (int x = 0; x < web_width; x += 3) {
      const int px = std::min(x, web_width - 1), py = std::min(y, web_height - 1);
      if (in_block(px, py)) continue;
      ++inside;
      if (!same(on_screen(shot, px, py), page_colour, 0)) ++inside_wrong;
    }
  }
  EXPECT_GT(inside, 10000);
  EXPECT_EQ(inside_wrong, 0) << "points of the page's rectangle that do not show the page";
  for (int corner_y : {0, web_height - 1})
    for (int corner_x : {0, web_width - 1})
      EXPECT_TRUE(same(on_screen(shot, corner_x, corner_y), page_colour, 0))
          << "corner " << corner_x << "," << corner_y;
  int outside = 0, outside_wrong = 0;
  auto check_outside = [&](int x, int y) {
    const rgba art = skin_at(x, y);
    ASSERT_EQ(art.a, 255);
    ASSERT_FALSE(same(art, page_colour, 30)) << "the artwork tells the page apart there";
    ++outside;
    if (!same(on_screen(shot, x, y), art)) ++outside_wrong;
  };
  for (int x = -1; x <= web_width; x += 7) {
    check_outside(x, -1);
    check_outside(x, web_height);
  }
  for (int y = -1; y <= web_height; y += 7) {
    check_outside(-1, y);
    check_outside(web_width, y);
  }
  EXPECT_GT(outside, 250);
  EXPECT_EQ(outside_wrong, 0) << "points just outside the web window that do not show the skin";

  // Pure green shows the skin below it, in the page and in a frame; greens one step away and
  // other colours show themselves.
  for (const auto& block : page_blocks) {
    int wrong = 0;
    for (int y = block.y + 2; y < block.y + 78; y += 4) {
      for (int x = block.x + 2; x < block.x + 118; x += 4) {
        const rgba seen = on_screen(shot, x, y);
        if (block.see_through) {
          const rgba art = skin_at(x, y);
          ASSERT_FALSE(same(art, block.colour, 30));
          if (!same(seen, art)) ++wrong;
        } else if (!same(seen, block.colour, 0)) {
          ++wrong;
        }
      }
    }
    EXPECT_EQ(wrong, 0) << "block at " << block.x << "," << block.y << " of colour "
                        << block.colour.r << "," << block.colour.g << "," << block.colour.b
                        << (block.see_through ? " should show the skin" : " should show itself");
  }

  close_launcher(launcher, origin_x, origin_y);
}
