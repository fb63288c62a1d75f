#pragma once
// An image button of the launcher window: three state images (normal, hover, pressed), chosen
// from the pointer's hover and press state, drawn into the parent's skin. Input comes from the
// platform's button area; a release performs the button's action.
#include <array>
#include <vector>

#include "platform/skin_surface.h"

namespace ui {

class skin_window;

class skin_button {
 public:
  static constexpr int minimise_id = 30001;
  static constexpr int close_id = 30002;

  enum slot { normal = 0, hover = 1, pressed = 2 };

  // Enters the button in the parent's registry and gives it its input area.
  bool create(skin_window& parent, int control_id, int x, int y, int width, int height);
  // Resource ids of the three images; 0 for an absent hover or pressed image. False (and no
  // images) when the normal image is missing. The area takes the normal image's size.
  bool set_images(int normal_id, int hover_id, int pressed_id);
  void show(bool visible);
  // Adds the current image in the button's rectangle to the frame being composed.
  void draw(std::vector<platform::placed_image>& frame) const;
  // The button's input, as the platform delivers it.
  void on_pointer(platform::pointer_event event);

  // The resource id shown now (0 before images are set).
  int current_image() const { return current_; }
  bool tracking() const { return tracking_; }

 private:
  void update_image();
  void perform_action();

  std::array<int, 3> images_{};
  int current_ = 0;
  bool visible_ = false;
  bool hovering_ = false;
  bool pressed_ = false;
  bool tracking_ = false;
  skin_window* parent_ = nullptr;
  int control_id_ = 0;
  int x_ = 0;
  int y_ = 0;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace ui
