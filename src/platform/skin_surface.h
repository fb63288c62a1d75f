#pragma once
// The launcher window's surface: a frameless top-level window whose look and shape are one
// per-pixel-alpha picture (the skin), with input areas for the skin buttons. The core composes
// the picture from resource images; the platform draws it, moves the window when it is dragged
// by an opaque point and lets clicks on fully transparent points through.
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/event_loop.h"

namespace platform {

struct image_size {
  int width = 0;
  int height = 0;
};

// The size of a PNG image of the program's resources, or nothing when there is no such image.
std::optional<image_size> resource_image_size(int resource_id);
// Starts decoding these resource images on a thread of its own, so that the window and its
// first frame find them ready; where images are decoded on demand anyway this does nothing.
void prepare_skin_images(const std::vector<int>& resource_ids);

// One resource image drawn stretched into a rectangle of the surface, in skin pixels.
struct placed_image {
  int resource_id = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Pointer input of a button area, in the order a button control would receive it: hover and
// leave come only while tracking is armed (see skin_surface::track_pointer).
enum class pointer_event { move, left_down, left_up, hover, leave };

class skin_surface_listener {
 public:
  virtual ~skin_surface_listener() = default;
  virtual void on_button_pointer(int control_id, pointer_event event) = 0;
};

class skin_surface {
 public:
  virtual ~skin_surface() = default;
  virtual window_handle handle() const = 0;
  // Adds or moves the input area of a button (skin coordinates).
  virtual void set_button_area(int control_id, int x, int y, int width, int height) = 0;
  // Arms one hover notification (after the pointer rests 1 ms) and one leave notification for
  // the button; false when it cannot be armed.
  virtual bool track_pointer(int control_id) = 0;
  virtual void show() = 0;
  virtual void minimise() = 0;
  // Replaces the whole picture; the first image is the background. Until the first call the
  // window shows nothing.
  virtual bool present(const std::vector<placed_image>& frame) = 0;
};

// Creates the window hidden, sized to the background image and centred in the work area.
// Nothing when the window or the background cannot be made.
std::unique_ptr<skin_surface> create_skin_surface(std::u16string_view title, int background_id,
                                                  skin_surface_listener& listener);

// A window inside another one (the web window inside the launcher window): hidden when made,
// receives posted messages and timers like create_message_window's, and the browser host can
// be placed in it. Returns 0 when the parent is not a window of the desktop.
window_handle create_child_window(window_handle parent, int x, int y, int width, int height,
                                  window_procedure procedure);
void show_window(window_handle window, bool visible);
bool window_visible(window_handle window);

}  // namespace platform
