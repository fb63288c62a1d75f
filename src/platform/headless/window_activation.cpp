// The headless desktop has nothing to show; it records each activation so tests can see it.
#include <mutex>

#include "platform/headless/headless_desktop.h"
#include "platform/window_activation.h"

namespace platform {

namespace {

struct activation_state {
  std::mutex mutex;
  std::vector<headless::activation> seen;
};

activation_state& activations() {
  static activation_state s;
  return s;
}

void record(headless::activation::kind kind, window_handle window) {
  std::lock_guard lock(activations().mutex);
  activations().seen.push_back({kind, window});
}

}  // namespace

void activate_window(window_handle window) { record(headless::activation::kind::activate, window); }
void present_window(window_handle window) { record(headless::activation::kind::present, window); }

namespace headless {

std::vector<activation> window_activations() {
  std::lock_guard lock(activations().mutex);
  return activations().seen;
}

void clear_window_activations() {
  std::lock_guard lock(activations().mutex);
  activations().seen.clear();
}

}  // namespace headless

}  // namespace platform
