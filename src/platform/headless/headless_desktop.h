#pragma once
// Controls of the headless desktop for tests and benchmarks: the message boxes shown so far,
// preset answers for the next ones, the window activations, and a way to run the loop for a while.
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

// Calls of activate_window and present_window, in order.
struct activation {
  enum class kind { activate, present };
  kind what = kind::activate;
  window_handle window = 0;
};
std::vector<activation> window_activations();
void clear_window_activations();

// Handles what is due (posted messages, timers) until the loop has been idle for idle_ms
// or until_ms have passed; returns whether a quit message arrived.
bool run_for(std::uint32_t until_ms);

}  // namespace platform::headless
