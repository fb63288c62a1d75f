#include <windows.h>

#include "platform/screen.h"

namespace platform {

screen_rect primary_work_area() {
  RECT area{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
    area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  return {area.left, area.top, area.right, area.bottom};
}

// A Windows session always has its desktop.
std::string display_problem() { return {}; }

}  // namespace platform
