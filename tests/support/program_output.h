#pragma once
// Reading what the launcher's programs write: counted lines of their logs and output, and the
// line the headless desktop writes for a message box.
#include <string>

#include "platform/text.h"

namespace testing_support {

// How often part occurs in text, overlapping occurrences included.
inline std::size_t count_of(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The headless desktop's line for a message box, in UTF-8 on every system, up to its owner.
inline std::string box_line(const std::u16string& caption, const std::u16string& text) {
  return "message box [" + platform::to_utf8(caption) + "] " + platform::to_utf8(text);
}

// The same line whole, with the owner's window number ("0" for none).
inline std::string box_line(const std::u16string& caption, const std::u16string& text,
                            const std::string& owner) {
  return box_line(caption, text) + " (owner " + owner + ")";
}

// The box a download worker shows when a package cannot be fetched after its retries.
inline const std::u16string download_failure_text = u"由于您的网络不稳定，程序下载数据失败，即将退出";

inline std::string download_failure_box() { return box_line(u"更新错误", download_failure_text); }

inline std::string download_failure_box(const std::string& owner) {
  return box_line(u"更新错误", download_failure_text, owner);
}

}  // namespace testing_support
