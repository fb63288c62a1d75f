#include <algorithm>

#include "platform/headless/headless_desktop.h"

namespace platform::headless {

recording_window::recording_window() {
  handle_ = create_message_window(
      [inbox = inbox_](std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
        std::lock_guard lock(inbox->mutex);
        inbox->messages.push_back({message, wparam, lparam});
        return std::intptr_t{0};
      });
}

std::vector<received_message> recording_window::received() const {
  std::lock_guard lock(inbox_->mutex);
  return inbox_->messages;
}

std::size_t recording_window::count(std::uint32_t message) const {
  std::lock_guard lock(inbox_->mutex);
  return static_cast<std::size_t>(
      std::count_if(inbox_->messages.begin(), inbox_->messages.end(),
                    [message](const received_message& m) { return m.message == message; }));
}

}  // namespace platform::headless
