#pragma once
// A launcher window surface that records what the window asks of it.
#include <map>
#include <vector>

#include "platform/skin_surface.h"

namespace testing_support {

struct surface_log {
  std::map<int, std::vector<int>> areas;  // id -> x, y, width, height
  std::vector<std::vector<platform::placed_image>> frames;
  int track_calls = 0;
  bool track_answer = true;
  int shows = 0;
  int minimises = 0;
};

class recording_surface final : public platform::skin_surface {
 public:
  explicit recording_surface(surface_log& log) : log_(log) {}
  platform::window_handle handle() const override { return 0x4242; }
  void set_button_area(int id, int x, int y, int width, int height) override {
    log_.areas[id] = {x, y, width, height};
  }
  bool track_pointer(int) override {
    ++log_.track_calls;
    return log_.track_answer;
  }
  void show() override { ++log_.shows; }
  void minimise() override { ++log_.minimises; }
  bool present(const std::vector<platform::placed_image>& frame) override {
    log_.frames.push_back(frame);
    return true;
  }

 private:
  surface_log& log_;
};

}  // namespace testing_support
