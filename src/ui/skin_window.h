#pragma once
// The launcher window: a frameless, per-pixel-alpha window drawn from the background image
// with the minimise and close buttons composed onto it, and the web window over a fixed
// rectangle of it.
#include <functional>
#include <map>
#include <memory>

#include "platform/skin_surface.h"
#include "ui/skin_button.h"

namespace ui {

class skin_window : public platform::skin_surface_listener {
 public:
  static constexpr int background_id = 103;
  static constexpr int minimise_x = 900;
  static constexpr int close_x = 932;
  static constexpr int buttons_y = 230;
  static constexpr int web_x = 389;
  static constexpr int web_y = 273;
  static constexpr int web_width = 587;
  static constexpr int web_height = 319;

  // Has the window's images (background, window icon, the buttons' states) decoded in the
  // background, in the order the window needs them, while start-up goes on.
  static void prepare_images();

  // Makes the web window over the launcher window, whose handle it receives.
  using web_window_maker = std::function<bool(platform::window_handle launcher_window)>;

  // Creates the window hidden and centred, its buttons and the web window. False when the
  // window cannot be created.
  bool create(const web_window_maker& make_web_window);
  // The same on a surface made elsewhere (tests bring their own).
  bool create_on(std::unique_ptr<platform::skin_surface> surface,
                 const web_window_maker& make_web_window);
  void show();
  // Composes the background and both buttons and pushes the picture to the screen.
  void render();
  void minimise();

  platform::skin_surface* surface() { return surface_.get(); }
  platform::window_handle handle() const { return surface_ ? surface_->handle() : 0; }
  const skin_button& minimise_button() const { return minimise_; }
  const skin_button& close_button() const { return close_; }

  // A button with an id already registered replaces the earlier one.
  void register_button(int control_id, skin_button& button);
  void on_button_pointer(int control_id, platform::pointer_event event) override;

 private:
  std::unique_ptr<platform::skin_surface> surface_;
  int width_ = 0;
  int height_ = 0;
  skin_button minimise_;
  skin_button close_;
  std::map<int, skin_button*> buttons_;
};

}  // namespace ui
