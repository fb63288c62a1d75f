#include "ui/skin_window.h"

namespace ui {

namespace {

// The window icon the desktop shows, and each button's images: normal, hover, pressed.
constexpr int window_icon_id = 101;
constexpr int minimise_images[] = {108, 109, 107};
constexpr int close_images[] = {105, 106, 104};

}  // namespace

void skin_window::prepare_images() {
  platform::prepare_skin_images({background_id, window_icon_id, minimise_images[0],
                                 close_images[0], minimise_images[1], minimise_images[2],
                                 close_images[1], close_images[2]});
}

bool skin_window::create(const web_window_maker& make_web_window) {
  return create_on(platform::create_skin_surface(u"Zefaria", background_id, *this),
                   make_web_window);
}

bool skin_window::create_on(std::unique_ptr<platform::skin_surface> surface,
                            const web_window_maker& make_web_window) {
  if (!surface) return false;
  const auto size = platform::resource_image_size(background_id);
  if (!size) return false;
  surface_ = std::move(surface);
  width_ = size->width;
  height_ = size->height;

  // Created large, then shrunk to the normal image, as the images decide the button size.
  minimise_.create(*this, skin_button::minimise_id, minimise_x, buttons_y, 100, 100);
  minimise_.set_images(minimise_images[0], minimise_images[1], minimise_images[2]);
  close_.create(*this, skin_button::close_id, close_x, buttons_y, 100, 100);
  close_.set_images(close_images[0], close_images[1], close_images[2]);
  minimise_.show(true);
  close_.show(true);

  // The launcher runs on without a web window when it cannot be made.
  if (make_web_window) make_web_window(surface_->handle());
  return true;
}

void skin_window::show() {
  if (surface_) surface_->show();
}

void skin_window::render() {
  if (!surface_) return;
  std::vector<platform::placed_image> frame{{background_id, 0, 0, width_, height_}};
  minimise_.draw(frame);
  close_.draw(frame);
  surface_->present(frame);
}

void skin_window::minimise() {
  if (surface_) surface_->minimise();
}

void skin_window::register_button(int control_id, skin_button& button) {
  buttons_[control_id] = &button;
}

void skin_window::on_button_pointer(int control_id, platform::pointer_event event) {
  const auto found = buttons_.find(control_id);
  if (found != buttons_.end()) found->second->on_pointer(event);
}

}  // namespace ui
