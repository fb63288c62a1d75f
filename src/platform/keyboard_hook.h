#pragma once
// Keys the hosted browser must see although the message loop belongs to the launcher: on
// Windows Tab and Enter reach the page only through a thread keyboard hook. Other browsers
// take their keys themselves and the hook is nothing there.
#include <memory>

namespace platform {

class keyboard_hook {
 public:
  virtual ~keyboard_hook() = default;
};

// Installed for the calling thread until the returned guard goes; null when there is nothing
// to install or the system refused.
std::unique_ptr<keyboard_hook> install_keyboard_hook();

}  // namespace platform
