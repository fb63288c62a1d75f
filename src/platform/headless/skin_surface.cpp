// The launcher window without a screen: frames and requests are recorded, pointer input comes
// from the test. Image sizes are read from the artwork's PNG headers.
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/headless/headless_desktop.h"
#include "platform/process_lifetime.h"

namespace platform {

namespace {

struct area {
  int x = 0, y = 0, width = 0, height = 0;
  bool armed = false;
};

struct skin_state {
  std::mutex mutex;
  headless::skin_record record;
  std::map<int, area> areas;
  skin_surface_listener* listener = nullptr;
  std::set<window_handle> visible;
  bool fail_next = false;
};

// Outlives every surface, whenever it is ended.
skin_state& state() { return process_lifetime_object<skin_state>(); }

std::uint32_t big_endian(const unsigned char* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

class recorded_surface final : public skin_surface {
 public:
  recorded_surface(window_handle handle, std::u16string title, skin_surface_listener& listener)
      : handle_(handle) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.record = {};
    s.record.exists = true;
    s.record.title = std::move(title);
    s.areas.clear();
    s.listener = &listener;
  }
  ~recorded_surface() override {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.listener = nullptr;
    s.record.exists = false;
  }

  window_handle handle() const override { return handle_; }
  void set_button_area(int control_id, int x, int y, int width, int height) override {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    auto& a = s.areas[control_id];
    a.x = x;
    a.y = y;
    a.width = width;
    a.height = height;
  }
  bool track_pointer(int control_id) override {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    ++s.record.track_requests;
    const auto found = s.areas.find(control_id);
    if (found == s.areas.end()) return false;
    found->second.armed = true;
    return true;
  }
  void show() override {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.record.shown = true;
  }
  void minimise() override {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    ++s.record.minimised;
  }
  bool present(const std::vector<placed_image>& frame) override {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    ++s.record.frames;
    s.record.last_frame = frame;
    return true;
  }

 private:
  window_handle handle_;
};

}  // namespace

// The headless desktop reads only the images' sizes, on demand.
void prepare_skin_images(const std::vector<int>&) {}

std::optional<image_size> resource_image_size(int resource_id) {
  const std::string path = std::string(LAUNCHER_ASSET_DIR) + "/" + std::to_string(resource_id) + ".png";
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return std::nullopt;
  unsigned char header[24] = {};
  const bool whole = std::fread(header, 1, sizeof header, file) == sizeof header;
  std::fclose(file);
  if (!whole || header[1] != 'P' || header[2] != 'N' || header[3] != 'G') return std::nullopt;
  return image_size{static_cast<int>(big_endian(header + 16)),
                    static_cast<int>(big_endian(header + 20))};
}

std::unique_ptr<skin_surface> create_skin_surface(std::u16string_view title, int background_id,
                                                  skin_surface_listener& listener) {
  if (!resource_image_size(background_id)) return nullptr;
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (s.fail_next) {
      s.fail_next = false;
      return nullptr;
    }
  }
  const auto handle =
      create_message_window([](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t {
        return 0;
      });
  return std::make_unique<recorded_surface>(handle, std::u16string(title), listener);
}

window_handle create_child_window(window_handle parent, int, int, int, int,
                                  window_procedure procedure) {
  if (!window_exists(parent)) return 0;
  return create_message_window(std::move(procedure));
}

void show_window(window_handle window, bool visible) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  if (visible)
    s.visible.insert(window);
  else
    s.visible.erase(window);
}

bool window_visible(window_handle window) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return s.visible.count(window) != 0;
}

namespace headless {

skin_record skin() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return s.record;
}

void fail_next_skin_surface() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.fail_next = true;
}

bool pointer(int control_id, pointer_event event) {
  auto& s = state();
  skin_surface_listener* listener = nullptr;
  {
    std::lock_guard lock(s.mutex);
    const auto found = s.areas.find(control_id);
    if (found == s.areas.end() || !s.listener) return false;
    const bool tracked_only = event == pointer_event::hover || event == pointer_event::leave;
    if (tracked_only && !found->second.armed) return true;
    if (event == pointer_event::leave) found->second.armed = false;
    listener = s.listener;
  }
  listener->on_button_pointer(control_id, event);
  return true;
}

}  // namespace headless

}  // namespace platform
