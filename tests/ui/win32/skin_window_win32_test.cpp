// The launcher window on the Win32 desktop under Wine: the layered skin as the screen shows
// it, its buttons driven by the system's own mouse input, and the web window over it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "platform/screen.h"
#include "platform/skin_surface.h"
#include "platform/win32/desktop/win32_desktop.h"
#include "platform/window_activation.h"
#include "support/win32/screen_capture.h"
#include "ui/skin_window.h"
#include "ui/win32/desktop_test_window.h"

namespace {

using testing_support::describe;
using testing_support::pump_for;
using testing_support::pump_until;
using testing_support::rgb;
using testing_support::screen_capture;

constexpr COLORREF magenta = RGB(255, 0, 255);

HWND hwnd(platform::window_handle window) { return reinterpret_cast<HWND>(window); }

RECT window_rect(HWND window) {
  RECT place{};
  GetWindowRect(window, &place);
  return place;
}

// The colour an opaque pixel of a resource image has (premultiplied equals plain there).
rgb image_colour(int resource_id, int x, int y) {
  const auto* image = platform::win32_desktop::resource_image(resource_id);
  const std::uint32_t pixel = image->pixels[static_cast<std::size_t>(y) * image->width + x];
  return {static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
          static_cast<std::uint8_t>(pixel)};
}

int image_alpha(int resource_id, int x, int y) {
  const auto* image = platform::win32_desktop::resource_image(resource_id);
  return static_cast<int>(image->pixels[static_cast<std::size_t>(y) * image->width + x] >> 24);
}

// Mouse input as the system takes it from a device, in screen pixels.
void mouse(int x, int y, DWORD buttons = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
  input.mi.dy = MulDiv(y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
  SendInput(1, &input, sizeof input);
}

struct SkinWindow : ::testing::Test {
  ui::skin_window skin;
  platform::window_handle web = 0;
  std::vector<std::uint32_t> web_messages;

  void SetUp() override {
    ASSERT_TRUE(skin.create([this](platform::window_handle launcher) {
      web = platform::create_child_window(
          launcher, ui::skin_window::web_x, ui::skin_window::web_y, ui::skin_window::web_width,
          ui::skin_window::web_height, [this](std::uint32_t message, std::uintptr_t, std::intptr_t) {
            web_messages.push_back(message);
            return std::intptr_t{0};
          });
      return web != 0;
    }));
    ASSERT_NE(web, 0u);
  }

  void TearDown() override {
    if (IsWindow(hwnd(skin.handle()))) DestroyWindow(hwnd(skin.handle()));
    // The destroyed window's quit message is not the next test's.
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    mouse(0, 0);
    pump_for(50);
  }

  RECT skin_rect() const { return window_rect(hwnd(skin.handle())); }

  void show_and_render() {
    skin.show();
    skin.render();
    pump_for(300);
  }

  POINT button_centre(int control_id) const {
    const RECT place = window_rect(GetDlgItem(hwnd(skin.handle()), control_id));
    return {(place.left + place.right) / 2, (place.top + place.bottom) / 2};
  }
};

TEST_F(SkinWindow, IsCentredInTheWorkAreaWithTheWebWindowOwnedOverIt) {
  const platform::screen_rect work = platform::primary_work_area();
  const RECT place = skin_rect();
  EXPECT_EQ(place.right - place.left, 1030);
  EXPECT_EQ(place.bottom - place.top, 648);
  EXPECT_EQ(place.left, (work.right - 1030 - work.left) / 2);
  EXPECT_EQ(place.top, (work.bottom - 648 - work.top) / 2);

  const HWND launcher = hwnd(skin.handle());
  wchar_t class_name[64] = {};
  GetClassNameW(launcher, class_name, 64);
  EXPECT_STREQ(class_name, L"MainClass");
  EXPECT_TRUE(GetWindowLongW(launcher, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_FALSE(IsWindowVisible(launcher)) << "hidden until shown";

  const HWND web_window = hwnd(web);
  GetClassNameW(web_window, class_name, 64);
  EXPECT_STREQ(class_name, L"subWindow");
  EXPECT_EQ(GetWindow(web_window, GW_OWNER), launcher);
  EXPECT_FALSE(GetWindowLongW(web_window, GWL_STYLE) & WS_CHILD);
  const RECT web_place = window_rect(web_window);
  EXPECT_EQ(web_place.left, place.left + 389);
  EXPECT_EQ(web_place.top, place.top + 273);
  EXPECT_EQ(web_place.right - web_place.left, 587);
  EXPECT_EQ(web_place.bottom - web_place.top, 319);
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(web_window, &key, &alpha, &flags));
  EXPECT_EQ(key, RGB(0, 255, 0));
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY));
  EXPECT_FALSE(platform::window_visible(web));
  platform::show_window(web, true);
  EXPECT_TRUE(platform::window_visible(web));
}

TEST_F(SkinWindow, TheScreenShowsTheSkinAndWhatLiesBelowItsTransparentCorners) {
  const RECT place = skin_rect();
  testing_support::colour_window below(place, magenta);
  pump_for(200);
  show_and_render();
  SetWindowPos(hwnd(skin.handle()), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  pump_for(200);
  const screen_capture screen(place);
  ASSERT_TRUE(screen.valid());

  // Opaque points of the background, away from the buttons and the web window.
  for (const POINT p : {POINT{200, 400}, POINT{700, 250}, POINT{100, 600}, POINT{540, 120}}) {
    ASSERT_EQ(image_alpha(103, p.x, p.y), 255) << p.x << "," << p.y;
    EXPECT_EQ(screen.at(place.left + p.x, place.top + p.y), image_colour(103, p.x, p.y))
        << "skin point " << p.x << "," << p.y << " shows "
        << describe(screen.at(place.left + p.x, place.top + p.y));
  }
  // Fully transparent corners show the window below.
  for (const POINT p : {POINT{2, 2}, POINT{1027, 2}, POINT{2, 645}, POINT{1027, 645}}) {
    ASSERT_EQ(image_alpha(103, p.x, p.y), 0);
    EXPECT_EQ(screen.at(place.left + p.x, place.top + p.y), (rgb{255, 0, 255}))
        << "corner " << p.x << "," << p.y << " shows "
        << describe(screen.at(place.left + p.x, place.top + p.y));
  }
  // Soft edges: Wine's X11 driver, with no compositing manager on the Xvfb screen, cuts the
  // fully transparent points out of the window's shape and shows every other point with its
  // premultiplied colour, that is as if over black. Windows itself blends such points with
  // what lies below; only a real Windows shows that.
  int soft = 0;
  for (int x = 0; x < 300; ++x) {
    const int alpha = image_alpha(103, x, 400);
    if (alpha == 0 || alpha == 255) continue;
    ++soft;
    EXPECT_EQ(screen.at(place.left + x, place.top + 400), image_colour(103, x, 400))
        << "soft point " << x << ",400 with alpha " << alpha;
  }
  EXPECT_GT(soft, 3) << "the background has a soft edge on that row";
  // The buttons' normal images are part of the picture.
  const POINT minimise = button_centre(30001);
  const POINT close = button_centre(30002);
  EXPECT_EQ(screen.at(minimise.x, minimise.y), image_colour(108, 14, 14));
  EXPECT_EQ(screen.at(close.x, close.y), image_colour(105, 14, 14));
}


// The button's image as the screen shows it, at the button's centre.
rgb shown_at(const POINT& p) {
  const RECT around{p.x, p.y, p.x + 1, p.y + 1};
  return screen_capture(around).at(p.x, p.y);
}

TEST_F(SkinWindow, TheCloseButtonHoversPressesAndEndsTheLoop) {
  show_and_render();
  const auto& close = skin.close_button();
  const POINT centre = button_centre(30002);
  ASSERT_EQ(close.current_image(), 105);

  mouse(centre.x, centre.y);
  ASSERT_TRUE(pump_until([&] { return close.current_image() == 106; }, 5000))
      << "hover image after the pointer rests on the button";
  pump_for(100);
  EXPECT_EQ(shown_at(centre), image_colour(106, 14, 14)) << describe(shown_at(centre));

  mouse(centre.x, centre.y, MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(pump_until([&] { return close.current_image() == 104; }, 5000)) << "pressed image";
  pump_for(100);
  EXPECT_EQ(shown_at(centre), image_colour(104, 14, 14)) << describe(shown_at(centre));

  mouse(centre.x, centre.y, MOUSEEVENTF_LEFTUP);
  MSG quit{};
  ASSERT_TRUE(pump_until([&] { return PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE); },
                         5000))
      << "releasing over the close button posts the quit message";
  EXPECT_EQ(platform::run_message_loop(), 0) << "the loop ends with the quit message's code";
  EXPECT_EQ(close.current_image(), 106) << "released while hovering";

  // Leaving restores the normal image.
  mouse(centre.x, centre.y + 200);
  EXPECT_TRUE(pump_until([&] { return close.current_image() == 105; }, 5000));
}

TEST_F(SkinWindow, TheMinimiseButtonIconifiesAndPresentingRestores) {
  show_and_render();
  const auto& minimise = skin.minimise_button();
  const POINT centre = button_centre(30001);
  mouse(centre.x, centre.y);
  ASSERT_TRUE(pump_until([&] { return minimise.current_image() == 109; }, 5000));
  mouse(centre.x, centre.y, MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(pump_until([&] { return minimise.current_image() == 107; }, 5000));
  const RECT before = skin_rect();
  mouse(centre.x, centre.y, MOUSEEVENTF_LEFTUP);
  const HWND launcher = hwnd(skin.handle());
  ASSERT_TRUE(pump_until([&] { return IsIconic(launcher) != FALSE; }, 5000));
  // The pointer leaves the vanished button; that frame is drawn while minimised.
  mouse(10, 10);
  pump_until([&] { return minimise.current_image() == 108; }, 3000);
  MSG quit{};
  EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "the loop goes on";

  // A hand-over brings the web window forward: its minimised owner comes back with it.
  platform::present_window(web);
  EXPECT_TRUE(pump_until([&] { return !IsIconic(launcher); }, 5000));
  pump_for(200);
  const RECT after = skin_rect();
  EXPECT_EQ(after.left, before.left) << "restored where it was";
  EXPECT_EQ(after.top, before.top);
}

TEST_F(SkinWindow, TheWebWindowFollowsTheLauncherWindow) {
  show_and_render();
  const HWND launcher = hwnd(skin.handle());
  SetWindowPos(launcher, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  pump_for(100);
  const RECT web_place = window_rect(hwnd(web));
  EXPECT_EQ(web_place.left, 40 + 389);
  EXPECT_EQ(web_place.top, 30 + 273);
  EXPECT_EQ(web_place.right - web_place.left, 587) << "size kept";
}

TEST_F(SkinWindow, DraggingFromAnOpaquePointMovesTheWindowAndItsWebWindow) {
  show_and_render();
  const RECT before = skin_rect();
  const POINT grip{before.left + 200, before.top + 400};
  ASSERT_EQ(image_alpha(103, 200, 400), 255);
  mouse(grip.x, grip.y);
  pump_for(100);
  // The system's move loop runs inside the press, so the rest of the drag comes from another
  // thread while this one is in it.
  std::thread hand([&] {
    Sleep(200);
    for (int step = 1; step <= 10; ++step) {
      mouse(grip.x + step * 6, grip.y + step * 4);
      Sleep(30);
    }
    mouse(grip.x + 60, grip.y + 40, MOUSEEVENTF_LEFTUP);
  });
  mouse(grip.x, grip.y, MOUSEEVENTF_LEFTDOWN);
  pump_until([&] { return skin_rect().left == before.left + 60; }, 5000);
  hand.join();
  pump_for(200);
  const RECT after = skin_rect();
  EXPECT_EQ(after.left, before.left + 60);
  EXPECT_EQ(after.top, before.top + 40);
  const RECT web_place = window_rect(hwnd(web));
  EXPECT_EQ(web_place.left, after.left + 389);
  EXPECT_EQ(web_place.top, after.top + 273);
}

TEST_F(SkinWindow, PostedMessagesAndTimersOfTheWebWindowReachItsProcedure) {
  EXPECT_TRUE(platform::window_exists(web));
  std::thread worker([this] { platform::post_message(web, 0x465, 3, 0); });
  worker.join();
  ASSERT_TRUE(platform::set_timer(web, 1029, 20));
  ASSERT_TRUE(pump_until(
      [&] {
        return std::count(web_messages.begin(), web_messages.end(), 0x113u) >= 2 &&
               std::count(web_messages.begin(), web_messages.end(), 0x465u) == 1;
      },
      5000));
  EXPECT_TRUE(platform::kill_timer(web, 1029));
}

TEST_F(SkinWindow, DestroyingTheLauncherWindowEndsTheLoop) {
  show_and_render();
  DestroyWindow(hwnd(skin.handle()));
  MSG quit{};
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
  EXPECT_EQ(platform::run_message_loop(), 0);
}

TEST(Win32Desktop, OnlyALauncherWindowTakesAWebWindow) {
  const auto message_window = platform::create_message_window(
      [](std::uint32_t, std::uintptr_t, std::intptr_t) { return std::intptr_t{0}; });
  ASSERT_NE(message_window, 0u);
  const auto make = [](platform::window_handle parent) {
    return platform::create_child_window(
        parent, 0, 0, 10, 10, [](std::uint32_t, std::uintptr_t, std::intptr_t) { return std::intptr_t{0}; });
  };
  EXPECT_EQ(make(message_window), 0u);
  EXPECT_EQ(make(0), 0u);
  platform::destroy_window(message_window);
  EXPECT_FALSE(platform::window_exists(message_window));
}

}  // namespace
