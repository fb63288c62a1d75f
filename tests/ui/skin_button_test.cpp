// The skin buttons' state images, their renders and their actions, driven as the platform's
// button areas drive them.
#include <gtest/gtest.h>

#include "platform/headless/headless_desktop.h"
#include "ui/recording_surface.h"
#include "ui/skin_window.h"

namespace {

using platform::pointer_event;
using testing_support::recording_surface;
using testing_support::surface_log;
using ui::skin_button;

struct SkinButtons : ::testing::Test {
  surface_log log;
  ui::skin_window window;

  void SetUp() override {
    ASSERT_TRUE(window.create_on(std::make_unique<recording_surface>(log), {}));
    log.frames.clear();
    log.track_calls = 0;
  }

  void send(int id, std::initializer_list<pointer_event> events) {
    for (auto event : events) window.on_button_pointer(id, event);
  }

  // The image the last frame shows for a button, found by the button's position.
  int shown(int x) const {
    if (log.frames.empty()) return 0;
    for (const auto& image : log.frames.back())
      if (image.x == x && image.y == ui::skin_window::buttons_y) return image.resource_id;
    return 0;
  }
};

TEST_F(SkinButtons, AreasTakeTheNormalImageSizeAtTheirPositions) {
  const std::vector<int> minimise{900, 230, 28, 28};
  const std::vector<int> close{932, 230, 28, 28};
  EXPECT_EQ(log.areas[skin_button::minimise_id], minimise);
  EXPECT_EQ(log.areas[skin_button::close_id], close);
  EXPECT_EQ(window.minimise_button().current_image(), 108);
  EXPECT_EQ(window.close_button().current_image(), 105);
}

TEST_F(SkinButtons, HoverAndLeaveSwapTheCloseImageWithOneRenderEach) {
  send(skin_button::close_id, {pointer_event::move, pointer_event::hover});
  ASSERT_EQ(log.frames.size(), 1u);
  EXPECT_EQ(shown(932), 106);
  EXPECT_EQ(shown(900), 108) << "the other button keeps its image";
  send(skin_button::close_id, {pointer_event::leave});
  ASSERT_EQ(log.frames.size(), 2u);
  EXPECT_EQ(shown(932), 105);
}

TEST_F(SkinButtons, PressAndReleaseOnMinimiseShowPressedThenHoverAndMinimise) {
  send(skin_button::minimise_id, {pointer_event::move, pointer_event::hover});
  send(skin_button::minimise_id, {pointer_event::left_down});
  EXPECT_EQ(shown(900), 107);
  EXPECT_EQ(log.minimises, 0) << "nothing happens on the press";
  send(skin_button::minimise_id, {pointer_event::left_up});
  EXPECT_EQ(shown(900), 109);
  EXPECT_EQ(log.minimises, 1);
  EXPECT_EQ(log.frames.size(), 3u);
  EXPECT_FALSE(platform::headless::run_for(20)) << "minimise does not end the loop";
}

TEST_F(SkinButtons, ReleaseOnCloseEndsTheLoop) {
  send(skin_button::close_id, {pointer_event::move, pointer_event::hover, pointer_event::left_down,
                               pointer_event::left_up});
  EXPECT_TRUE(platform::headless::run_for(1000));
  EXPECT_EQ(log.minimises, 0);
}

TEST_F(SkinButtons, APressWithoutHoverKeepsTheNormalImageAndCostsNoRender) {
  send(skin_button::close_id, {pointer_event::left_down});
  EXPECT_TRUE(log.frames.empty());
  EXPECT_EQ(window.close_button().current_image(), 105);
  // The release still acts: the pointer was over the button when it was released.
  send(skin_button::close_id, {pointer_event::left_up});
  EXPECT_TRUE(log.frames.empty());
  EXPECT_TRUE(platform::headless::run_for(1000));
}

TEST_F(SkinButtons, TrackingIsArmedOnceUntilTheLeave) {
  send(skin_button::close_id, {pointer_event::move, pointer_event::move, pointer_event::move});
  EXPECT_EQ(log.track_calls, 1);
  send(skin_button::close_id, {pointer_event::hover, pointer_event::move});
  EXPECT_EQ(log.track_calls, 1);
  send(skin_button::close_id, {pointer_event::leave, pointer_event::move});
  EXPECT_EQ(log.track_calls, 2) << "a leave disarms, the next move arms again";
}

TEST_F(SkinButtons, AFailedTrackingRequestIsRepeatedOnTheNextMove) {
  log.track_answer = false;
  send(skin_button::minimise_id, {pointer_event::move, pointer_event::move});
  EXPECT_EQ(log.track_calls, 2);
  EXPECT_FALSE(window.minimise_button().tracking());
  log.track_answer = true;
  send(skin_button::minimise_id, {pointer_event::move, pointer_event::move});
  EXPECT_EQ(log.track_calls, 3);
  EXPECT_TRUE(window.minimise_button().tracking());
}

TEST_F(SkinButtons, LeavingWhilePressedShowsNormalAndAReleaseAfterReturningActs) {
  send(skin_button::minimise_id, {pointer_event::move, pointer_event::hover, pointer_event::left_down,
                                  pointer_event::leave});
  EXPECT_EQ(shown(900), 108);
  send(skin_button::minimise_id, {pointer_event::move, pointer_event::hover});
  EXPECT_EQ(shown(900), 107) << "still pressed when the pointer comes back";
  send(skin_button::minimise_id, {pointer_event::left_up});
  EXPECT_EQ(log.minimises, 1);
}

TEST(SkinButtonImages, AMissingNormalImageLeavesTheButtonUndrawn) {
  surface_log log;
  ui::skin_window window;
  ASSERT_TRUE(window.create_on(std::make_unique<recording_surface>(log), {}));
  skin_button extra;
  ASSERT_TRUE(extra.create(window, 30010, 10, 20, 100, 100));
  EXPECT_FALSE(extra.set_images(0, 106, 104));
  EXPECT_FALSE(extra.set_images(99999, 106, 104));
  std::vector<platform::placed_image> frame;
  extra.draw(frame);
  EXPECT_TRUE(frame.empty());
  const std::vector<int> unchanged{10, 20, 100, 100};
  EXPECT_EQ(log.areas[30010], unchanged);
}

TEST(SkinButtonImages, WithoutHoverOrPressedImagesTheNormalImageStays) {
  surface_log log;
  ui::skin_window window;
  ASSERT_TRUE(window.create_on(std::make_unique<recording_surface>(log), {}));
  skin_button plain;
  ASSERT_TRUE(plain.create(window, 30011, 0, 0, 100, 100));
  ASSERT_TRUE(plain.set_images(105, 0, 99999));
  log.frames.clear();
  for (auto event : {pointer_event::move, pointer_event::hover, pointer_event::left_down,
                     pointer_event::left_up, pointer_event::leave})
    plain.on_pointer(event);
  EXPECT_EQ(plain.current_image(), 105);
  EXPECT_TRUE(log.frames.empty());
}

}  // namespace
