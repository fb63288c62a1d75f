#pragma once
// A keyboard driven through the X server's test extension: key presses as a player's fingers
// make them, delivered to whichever window has the keyboard focus. Kept apart from the tests:
// the X headers define names that clash with GoogleTest's.
#include <string_view>

namespace testing_support {

// Types printable ASCII text key by key, holding Shift where the keyboard map needs it.
// False when the map has no key for one of the characters (nothing more is typed then).
bool type_text(std::string_view text);

enum class named_key { tab, enter };
void press_key(named_key key);

}  // namespace testing_support
