// Boxes are recorded, printed to standard error (so a test of a child process can read
// them) and answered from the preset answers.
#include <cstdio>
#include <mutex>

#include "platform/headless/headless_desktop.h"
#include "platform/text.h"

namespace platform {

namespace {

struct box_state {
  std::mutex mutex;
  std::vector<headless::shown_box> shown;
  std::deque<int> answers;
};

box_state& boxes() {
  static box_state s;
  return s;
}

}  // namespace

int message_box(window_handle owner, std::u16string_view text, std::u16string_view caption,
                box_buttons buttons) {
  auto& s = boxes();
  std::lock_guard lock(s.mutex);
  s.shown.push_back({owner, std::u16string(text), std::u16string(caption), buttons});
  std::fprintf(stderr, "message box [%s] %s (owner %lu)\n", to_utf8(caption).c_str(),
               to_utf8(text).c_str(), static_cast<unsigned long>(owner));
  std::fflush(stderr);
  if (s.answers.empty()) return answer_ok;
  const int answer = s.answers.front();
  s.answers.pop_front();
  return answer;
}

namespace headless {

std::vector<shown_box> shown_boxes() {
  std::lock_guard lock(boxes().mutex);
  return boxes().shown;
}

void clear_shown_boxes() {
  std::lock_guard lock(boxes().mutex);
  boxes().shown.clear();
}

void preset_answers(std::deque<int> answers) {
  std::lock_guard lock(boxes().mutex);
  boxes().answers = std::move(answers);
}

}  // namespace headless

}  // namespace platform
