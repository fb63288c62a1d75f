#pragma once
// The running launcher's side of a hand-over: what its web window does with a command line
// that a second start sent it (WM_COPYDATA with dwData 5000), and the listener that brings
// those requests to the main thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/event_loop.h"
#include "platform/hand_over.h"
#include "platform/script_types.h"

inline constexpr std::uintptr_t COPYDATA_LAUNCH_REQUEST = 5000;

// callScript of the web window: calls a page function by name, arguments in reverse order.
using page_function_call = std::function<platform::hresult(
    std::u16string_view function, const platform::dispatch_params& params, platform::variant* result)>;

// For dwData 5000: parses the text, brings own_window to the front and calls the page's
// "OnCallIE"(second piece, first piece), logging "call OnCallIE fail" when that fails.
// Returns false, doing nothing, for any other dwData.
bool handle_copy_data(std::uintptr_t dwData, std::u16string_view text,
                      platform::window_handle own_window, const page_function_call& call_script);

// Listens for hand-overs to the web window and handles each on the main thread with
// handle_copy_data. number() is what the web window hands out as its handle in launch links.
class launch_link_receiver {
 public:
  // nullptr when the channel cannot be opened (the launcher then runs without it).
  static std::unique_ptr<launch_link_receiver> start(platform::window_handle web_window,
                                                     page_function_call call_script);
  explicit launch_link_receiver(std::unique_ptr<platform::hand_over_listener> listener)
      : listener_(std::move(listener)) {}
  platform::link_number number() const { return listener_->number(); }

 private:
  std::unique_ptr<platform::hand_over_listener> listener_;
};
