#pragma once
// What the screen shows, read back through the system as any program would see it.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct rgb {
  std::uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const rgb&) const = default;
};

std::string describe(const rgb& colour);

class screen_capture {
 public:
  // The screen rectangle's pixels now.
  explicit screen_capture(const RECT& area);
  rgb at(int screen_x, int screen_y) const;
  bool valid() const { return !pixels_.empty(); }

 private:
  RECT area_;
  std::vector<std::uint32_t> pixels_;
};

}  // namespace testing_support
