#pragma once
// Controls of the headless desktop for tests and benchmarks: the message boxes shown so far,
// preset answers for the next ones, the window activations, a way to run the loop for a while,
// the windows shown, the work area, and the scripted portal page that stands in for the browser.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/screen.h"
#include "platform/script_types.h"
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

// Handles what is due (posted messages, timers) until until_ms have passed; returns whether a
// quit message arrived.
bool run_for(std::uint32_t until_ms);
// Handles what is due until done() holds (tested after every message and at least every 10 ms)
// or until_ms have passed; returns done().
bool run_until(const std::function<bool()>& done, std::uint32_t until_ms);

struct received_message {
  std::uint32_t message = 0;
  std::uintptr_t wparam = 0;
  std::intptr_t lparam = 0;
};

// A message window of the loop that keeps every message it receives, so a test can see what
// other threads posted to it.
class recording_window {
 public:
  recording_window();
  window_handle handle() const { return handle_; }
  std::vector<received_message> received() const;
  std::size_t count(std::uint32_t message) const;

 private:
  struct inbox {
    mutable std::mutex mutex;
    std::vector<received_message> messages;
  };
  // Shared with the window's procedure, which the loop keeps after this object is gone.
  std::shared_ptr<inbox> inbox_ = std::make_shared<inbox>();
  window_handle handle_ = 0;
};

// The work area primary_work_area() answers; 0,0 - 1920,1040 until a test sets another.
void set_work_area(screen_rect area);

// The scripted page. The launcher's calls into it are recorded whether or not the page
// defines the function; a defined function runs its body (which may call window.external).
struct page_call {
  std::u16string function;
  std::vector<variant> arguments;  // in the page's order: its first parameter first
  bool defined = false;
};
using page_function = std::function<void(const std::vector<variant>& arguments)>;

// Forgets functions, calls and addresses; navigations complete by themselves again.
void reset_page();
void define_page_function(const std::u16string& name, page_function body = {});
void remove_page_function(const std::u16string& name);
std::vector<page_call> page_calls();
std::vector<page_call> page_calls_of(const std::u16string& function);
void clear_page_calls();
// Every address the browser was asked to navigate to, in order.
std::vector<std::u16string> navigations();
// How often the launcher gave the page the keyboard.
int focus_requests();
// When on (the default), each navigation completes its document from the event loop.
void complete_documents_on_navigate(bool on);
// Completes the document now (the browser's document-complete event); false without a browser.
bool complete_document();
// A window.external call by the page: the name is looked up, then invoked with the arguments
// (given in the page's order). disp_e_unknownname when there is no browser.
hresult call_external(const std::u16string& name, std::vector<variant> arguments,
                      variant* result = nullptr);

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
