#pragma once
// The desktop's screen, as far as the launcher asks about it.
#include <cstdint>
#include <string>

namespace platform {

struct screen_rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// The primary screen's work area (SPI_GETWORKAREA): the screen without task bars and panels.
screen_rect primary_work_area();

// Why the launcher's windows cannot be shown at all, in words for the log and the player
// (for example "no X11 display: DISPLAY is not set"); empty when they can.
std::string display_problem();

}  // namespace platform
