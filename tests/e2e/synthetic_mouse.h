#pragma once
// A mouse driven through the X server's test extension, as a player's hand would drive it.
// Kept apart from the tests: the X headers define names that clash with GoogleTest's.
namespace testing_support {

void move_pointer_to(int x, int y);
void press_left_button(bool down);

}  // namespace testing_support
