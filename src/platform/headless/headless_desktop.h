#pragma once
// Controls of the headless desktop for tests and benchmarks: the message boxes shown so far,
// preset answers for the next ones, a way to run the loop for a while, the windows shown, the
// work area, and the scripted portal page that stands in for the browser.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/screen.h"
#include "platform/script_types.h"

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

bool window_visible(window_handle window);

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
// When on (the default), each navigation completes its document from the event loop.
void complete_documents_on_navigate(bool on);
// Completes the document now (the browser's document-complete event); false without a browser.
bool complete_document();
// A window.external call by the page: the name is looked up, then invoked with the arguments
// (given in the page's order). disp_e_unknownname when there is no browser.
hresult call_external(const std::u16string& name, std::vector<variant> arguments,
                      variant* result = nullptr);

}  // namespace platform::headless
