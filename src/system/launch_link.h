#pragma once
// Launch links of the launcher's own URL protocol: qzzefa://first/second/window, where window
// is the number the running launcher's web window answers to.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hand_over.h"

struct launch_request {
  std::u16string first;
  std::u16string second;
  platform::link_number target_window = 0;
  bool valid = false;  // exactly three pieces, and a launcher answers to target_window
};

// length is in UTF-16 code units; no terminator is needed.
launch_request parse_launch_url(const char16_t* text, std::size_t length);

// Drops one pair of enclosing double quotes, then the token and the three characters after it
// when the text starts with the token in any letter case.
std::u16string strip_launch_prefix(std::u16string text);

// Each separator closes the piece before it: a leading separator and a trailing one yield no
// piece, two adjacent ones elsewhere yield an empty piece.
std::vector<std::u16string> split_path_pieces(std::u16string_view text, char16_t separator);

// _wtol: leading blanks and a sign, then decimal digits up to the first other character;
// 0 when there is no number, clamped to the 32-bit range.
std::int32_t decimal_prefix_value(std::u16string_view text);
