#include <mutex>

#include "platform/headless/headless_desktop.h"
#include "platform/screen.h"

namespace platform {

namespace {

std::mutex area_mutex;
screen_rect area{0, 0, 1920, 1040};

}  // namespace

screen_rect primary_work_area() {
  std::lock_guard lock(area_mutex);
  return area;
}

std::string display_problem() { return {}; }

void headless::set_work_area(screen_rect new_area) {
  std::lock_guard lock(area_mutex);
  area = new_area;
}

}  // namespace platform
