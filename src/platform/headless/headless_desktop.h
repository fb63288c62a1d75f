#pragma once
// Controls of the headless desktop for tests and benchmarks: the message boxes shown so far,
// preset answers for the next ones, and a way to run the loop for a while.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace platform::headless {

struct shown_box {
  window_handle owner = 0;
  std::u16string text;
  std::u16string caption;
  box_buttons buttons = box_buttons::ok;
};

// Every box shown since the last clear, in order.
std::vector<shown_box> shown_boxes();
void clear_shown_boxes();
// Answers for the next boxes, first in first used; answer_ok when none is left.
void preset_answers(std::deque<int> answers);

// Handles what is due (posted messages, timers) until the loop has been idle for idle_ms
// or until_ms have passed; returns whether a quit message arrived.
bool run_for(std::uint32_t until_ms);

}  // namespace platform::headless
