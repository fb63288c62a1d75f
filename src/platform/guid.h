#pragma once
// Fresh random identifiers, in the layout of a GUID.
#include <array>
#include <cstdint>

namespace platform {

struct guid {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::array<std::uint8_t, 8> Data4{};
};

// A new random (version 4) identifier; all zeros when none can be made.
guid new_guid();

}  // namespace platform
