// The real launcher program on an X display: its window is read back from the screen and
// compared with the artwork, then driven with a synthetic mouse (hover, drag, close).
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <sstream>
#include <thread>

#include "e2e/synthetic_mouse.h"
#include "support/child_program.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_bytes;

constexpr int skin_width = 1030;
constexpr int skin_height = 648;

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

rgba pixel(const pixbuf_ptr& picture, int x, int y) {
  const int channels = gdk_pixbuf_get_n_channels(picture.image);
  const guchar* p = gdk_pixbuf_get_pixels(picture.image) + y * gdk_pixbuf_get_rowstride(picture.image) +
                    x * channels;
  return {p[0], p[1], p[2], channels == 4 ? p[3] : 255};
}

bool same(rgba a, rgba b, int tolerance = 3) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

pixbuf_ptr asset(int id) {
  const std::string path = std::string(LAUNCHER_ASSET_DIR) + "/" + std::to_string(id) + ".png";
  return pixbuf_ptr(gdk_pixbuf_new_from_file(path.c_str(), nullptr));
}

pixbuf_ptr screen() {
  GdkWindow* root = gdk_get_default_root_window();
  return pixbuf_ptr(gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root),
                                               gdk_window_get_height(root)));
}

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
    GdkDisplay* gdk_display = gdk_display_get_default();
    GdkMonitor* monitor = gdk_display_get_primary_monitor(gdk_display);
    if (!monitor) monitor = gdk_display_get_monitor(gdk_display, 0);
    GdkRectangle work{};
    gdk_monitor_get_workarea(monitor, &work);
    origin_x = (work.x + work.width - skin_width - work.x) / 2;
    origin_y = (work.y + work.height - skin_height - work.y) / 2;
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

  std::future<testing_support::child_result> start_launcher() {
    const fs::path program = dir.path() / "launcher";
    const fs::path folder = dir.path();
    return std::async(std::launch::async, [program, folder] {
      // The program registers its link protocol in the user's folders: keep that here.
      return testing_support::run_child(program, {}, folder,
                                        {{"LAUNCHER_REPORT_HOST", "127.0.0.1:1"},
                                         {"LAUNCHER_PORTAL_ADDRESS", "http://127.0.0.1:1/"},
                                         {"XDG_CONFIG_HOME", (folder / "config").string()},
                                         {"XDG_DATA_HOME", (folder / "data").string()}},
                                        60000);
    });
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
  move_pointer(moved_x + 932 + 14, moved_y + 230 + 14);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  button(true);
  button(false);
  ASSERT_EQ(launcher.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  const auto result = launcher.get();
  EXPECT_EQ(result.exit_code, 0) << result.output;
  const std::string log = read_bytes(dir.path() / "zefa_wd_run.log.1");
  EXPECT_NE(log.rfind("[wWinMain]>> 程序准备退出"), std::string::npos) << log;
  EXPECT_EQ(read_bytes(dir.path() / "dlist"), std::string("|\0|\0", 4)) << "the list was saved";
}

}  // namespace
