// The launcher window's creation, its composed frame and its button registry.
#include <gtest/gtest.h>

#include "platform/headless/headless_desktop.h"
#include "ui/recording_surface.h"
#include "ui/skin_window.h"

namespace {

using platform::pointer_event;
using testing_support::recording_surface;
using testing_support::surface_log;

TEST(SkinWindow, TheFrameIsTheWholeBackgroundThenMinimiseThenClose) {
  surface_log log;
  ui::skin_window window;
  ASSERT_TRUE(window.create_on(std::make_unique<recording_surface>(log), {}));
  EXPECT_TRUE(log.frames.empty()) << "nothing is drawn before the first render";
  window.render();
  ASSERT_EQ(log.frames.size(), 1u);
  const auto& frame = log.frames[0];
  ASSERT_EQ(frame.size(), 3u);
  EXPECT_EQ(frame[0].resource_id, 103);
  EXPECT_EQ(frame[0].x, 0);
  EXPECT_EQ(frame[0].y, 0);
  EXPECT_EQ(frame[0].width, 1030);
  EXPECT_EQ(frame[0].height, 648);
  EXPECT_EQ(frame[1].resource_id, 108);
  EXPECT_EQ(frame[1].x, 900);
  EXPECT_EQ(frame[2].resource_id, 105);
  EXPECT_EQ(frame[2].x, 932);
  EXPECT_EQ(frame[2].width, 28);
}

TEST(SkinWindow, TheWebWindowIsMadeOverTheLauncherWindowDuringCreation) {
  surface_log log;
  ui::skin_window window;
  platform::window_handle seen = 0;
  int areas_when_made = -1;
  ASSERT_TRUE(window.create_on(std::make_unique<recording_surface>(log),
                               [&](platform::window_handle launcher) {
                                 seen = launcher;
                                 areas_when_made = static_cast<int>(log.areas.size());
                                 return false;  // a failed web window does not fail the window
                               }));
  EXPECT_EQ(seen, platform::window_handle{0x4242});
  EXPECT_EQ(areas_when_made, 2) << "the buttons exist before the web window";
}

TEST(SkinWindow, NoSurfaceMeansNoWindow) {
  ui::skin_window window;
  bool made = false;
  EXPECT_FALSE(window.create_on(nullptr, [&](platform::window_handle) { return made = true; }));
  EXPECT_FALSE(made);
  window.render();  // harmless without a surface
  EXPECT_EQ(window.handle(), platform::window_handle{0});
}

TEST(SkinWindow, PointerInputReachesTheButtonRegisteredLastUnderAnId) {
  surface_log log;
  ui::skin_window window;
  ASSERT_TRUE(window.create_on(std::make_unique<recording_surface>(log), {}));
  window.on_button_pointer(12345, pointer_event::left_up);  // no such button: nothing
  EXPECT_FALSE(platform::headless::run_for(20));

  ui::skin_button replacement;
  ASSERT_TRUE(replacement.create(window, ui::skin_button::close_id, 0, 0, 10, 10));
  ASSERT_TRUE(replacement.set_images(108, 109, 107));
  log.frames.clear();
  window.on_button_pointer(ui::skin_button::close_id, pointer_event::move);
  window.on_button_pointer(ui::skin_button::close_id, pointer_event::hover);
  EXPECT_EQ(replacement.current_image(), 109);
  EXPECT_EQ(window.close_button().current_image(), 105) << "the replaced button hears nothing";
  window.on_button_pointer(ui::skin_button::close_id, pointer_event::left_up);
  EXPECT_TRUE(platform::headless::run_for(1000)) << "the id keeps the close action";
}

}  // namespace
