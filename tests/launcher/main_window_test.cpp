// runMainWindow on the headless desktop: the window sequence, the loop and its end.
#include <gtest/gtest.h>

#include "launcher/main_window.h"
#include "platform/headless/headless_desktop.h"
#include "ui/skin_button.h"

namespace {

using platform::pointer_event;

// Presses and releases the close button once the launcher window has been drawn.
struct close_click {
  platform::window_handle window = 0;
  int frames_seen = -1;
  bool was_shown = false;

  close_click() {
    window = platform::create_message_window([this](std::uint32_t, std::uintptr_t, std::intptr_t) {
      const auto skin = platform::headless::skin();
      if (skin.frames == 0) return std::intptr_t{0};
      frames_seen = skin.frames;
      was_shown = skin.shown;
      platform::kill_timer(window, 1);
      for (auto event : {pointer_event::move, pointer_event::hover, pointer_event::left_down,
                         pointer_event::left_up})
        platform::headless::pointer(ui::skin_button::close_id, event);
      return std::intptr_t{0};
    });
    platform::set_timer(window, 1, 5);
  }
};

TEST(RunMainWindow, ShowsDrawsHidesTheWebWindowAndEndsWithTheCloseButton) {
  platform::window_handle launcher_window = 0;
  platform::window_handle web_window = 0;
  int hides = 0;
  int hides_before_focus = -1;
  bool visible_when_loop_ran = true;
  int closes = 0;
  bool skin_alive_at_close = false;
  launcher::web_window_binding binding{
      [&](platform::window_handle launcher) {
        launcher_window = launcher;
        web_window = platform::create_child_window(launcher, 389, 273, 587, 319,
                                                   [](std::uint32_t, std::uintptr_t, std::intptr_t) {
                                                     return std::intptr_t{0};
                                                   });
        platform::show_window(web_window, true);
        return web_window != 0;
      },
      [&] {
        ++hides;
        platform::show_window(web_window, false);
      },
      [&] {
        EXPECT_EQ(hides_before_focus, -1) << "focused once";
        hides_before_focus = hides;
      },
      [&] {
        ++closes;
        skin_alive_at_close = platform::headless::skin().exists;
      }};
  close_click click;
  const int code = launcher::runMainWindow(binding);
  visible_when_loop_ran = platform::window_visible(web_window);
  EXPECT_EQ(code, 0);
  EXPECT_NE(launcher_window, platform::window_handle{0});
  EXPECT_EQ(hides, 1);
  EXPECT_EQ(hides_before_focus, 1) << "the browser gets the keyboard after the web window is hidden";
  EXPECT_FALSE(visible_when_loop_ran);
  EXPECT_EQ(click.frames_seen, 1) << "one render after showing, none while idle";
  EXPECT_TRUE(click.was_shown);
  const auto skin = platform::headless::skin();
  EXPECT_EQ(skin.title, u"Zefaria");
  ASSERT_FALSE(skin.last_frame.empty());
  EXPECT_EQ(skin.last_frame.back().resource_id, 106) << "close drawn hovered after the release";
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(skin_alive_at_close) << "the browser ends before the launcher window";
  EXPECT_FALSE(skin.exists) << "the launcher window ends before the program does";
}

TEST(RunMainWindow, AWindowThatCannotBeMadeIsReportedAndGivesMinusOne) {
  platform::headless::clear_shown_boxes();
  platform::headless::fail_next_skin_surface();
  bool web_window_made = false;
  const int code = launcher::runMainWindow(
      {[&](platform::window_handle) { return web_window_made = true; }, [] {}, {}, {}});
  EXPECT_EQ(code, -1);
  EXPECT_FALSE(web_window_made);
  const auto boxes = platform::headless::shown_boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"创建主窗口失败");
  EXPECT_EQ(boxes[0].caption, u"出错啦");
  EXPECT_EQ(boxes[0].owner, platform::window_handle{0});
}

}  // namespace
