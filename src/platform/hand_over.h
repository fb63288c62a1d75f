#pragma once
// The channel through which a second start of the launcher hands its command line to the
// running launcher's web window, in the manner of WM_COPYDATA sent with SendMessageW: the
// sender waits until the receiver has handled the text.
//
// A launch link names the receiver by a number (the "window" of qzzefa://first/second/window).
// On Windows it is the web window's handle. On Linux it is the number the listener hands out
// (window handles are private to each process there), and the channel is a Unix-domain socket
// named by that number and the user id; only processes of the same user are served.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/event_loop.h"

namespace platform {

inline constexpr std::uint32_t message_copy_data = 0x4A;  // WM_COPYDATA
// A receiver refuses longer requests (in bytes of UTF-16 text).
inline constexpr std::uint32_t hand_over_max_bytes = 64 * 1024;

// A launch link's window number: pointer-sized, like the window handle it is on Windows.
using link_number = std::intptr_t;

struct copy_data {
  std::uintptr_t dwData = 0;
  std::u16string text;  // the bytes as sent, read as UTF-16 (an odd last byte is dropped)
};

using copy_data_handler = std::function<void(const copy_data&)>;

class hand_over_listener {
 public:
  virtual ~hand_over_listener() = default;
  // The number launch links must carry to reach this launcher.
  virtual link_number number() const = 0;
};

// Starts answering for the web window. Call on the main thread: on_request runs there, through
// the event loop, once for each request; the sender is released when it returns. Destroying
// the listener stops the channel. nullptr when the channel cannot be opened.
std::unique_ptr<hand_over_listener> listen_for_hand_over(window_handle web_window,
                                                         copy_data_handler on_request);

// IsWindow for a launch link: whether a launcher of this user answers to the number.
bool hand_over_target_exists(link_number number);

// Delivers the request and waits until the receiver has handled it, at most timeout_ms.
// True when the receiver reported it handled.
bool send_hand_over(link_number number, const copy_data& request, std::uint32_t timeout_ms);

}  // namespace platform
