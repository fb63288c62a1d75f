#pragma once
// Controls of the headless desktop for tests and benchmarks: the message boxes shown so far,
// preset answers for the next ones, the window activations, and a way to run the loop for a while.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/skin_surface.h"

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

// The launcher window as the headless desktop keeps it: what was drawn and asked of it.
struct skin_record {
  bool exists = false;
  std::u16string title;
  bool shown = false;
  int minimised = 0;
  int frames = 0;
  std::vector<placed_image> last_frame;
  int track_requests = 0;
};
skin_record skin();
// The next launcher window cannot be created, as when the system refuses a window.
void fail_next_skin_surface();

// Pointer input on a button area, as a mouse would give it: hover and leave arrive only while
// the button has tracking armed, and leave disarms it. False when no such area exists.
bool pointer(int control_id, pointer_event event);

}  // namespace platform::headless
