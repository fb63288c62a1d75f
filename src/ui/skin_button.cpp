#include "ui/skin_button.h"

#include "platform/event_loop.h"
#include "ui/skin_window.h"

namespace ui {

bool skin_button::create(skin_window& parent, int control_id, int x, int y, int width,
                         int height) {
  auto* surface = parent.surface();
  if (!surface) return false;
  parent_ = &parent;
  control_id_ = control_id;
  x_ = x;
  y_ = y;
  width_ = width;
  height_ = height;
  surface->set_button_area(control_id, x, y, width, height);
  visible_ = true;
  parent.register_button(control_id, *this);
  return true;
}

bool skin_button::set_images(int normal_id, int hover_id, int pressed_id) {
  images_ = {};
  current_ = 0;
  if (normal_id == 0) return false;
  const auto size = platform::resource_image_size(normal_id);
  if (!size) return false;
  images_[normal] = normal_id;
  if (hover_id != 0 && platform::resource_image_size(hover_id)) images_[hover] = hover_id;
  if (pressed_id != 0 && platform::resource_image_size(pressed_id)) images_[pressed] = pressed_id;
  current_ = normal_id;
  width_ = size->width;
  height_ = size->height;
  if (parent_ && parent_->surface())
    parent_->surface()->set_button_area(control_id_, x_, y_, width_, height_);
  return true;
}

void skin_button::show(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (parent_) parent_->render();
}

void skin_button::draw(std::vector<platform::placed_image>& frame) const {
  if (current_ == 0) return;
  frame.push_back({current_, x_, y_, width_, height_});
}

void skin_button::on_pointer(platform::pointer_event event) {
  using platform::pointer_event;
  switch (event) {
    case pointer_event::move:
      // Arming once is enough: the platform reports hover and leave until it is disarmed.
      if (!tracking_ && parent_ && parent_->surface())
        tracking_ = parent_->surface()->track_pointer(control_id_);
      break;
    case pointer_event::left_down:
      pressed_ = true;
      update_image();
      break;
    case pointer_event::left_up:
      pressed_ = false;
      update_image();
      perform_action();
      break;
    case pointer_event::hover:
      hovering_ = true;
      update_image();
      break;
    case pointer_event::leave:
      hovering_ = false;
      tracking_ = false;
      update_image();
      break;
  }
}

void skin_button::update_image() {
  int index = normal;
  const int wanted = pressed_ ? pressed : hover;
  if (hovering_ && images_[wanted] != 0) index = wanted;
  // Only a change of the shown image costs a new frame.
  if (images_[index] == current_) return;
  current_ = images_[index];
  if (parent_) parent_->render();
}

void skin_button::perform_action() {
  if (control_id_ == minimise_id && parent_) parent_->minimise();
  if (control_id_ == close_id) platform::post_quit_message(0);
}

}  // namespace ui
