#pragma once
// Modal message boxes. A box shown from a worker thread waits there for the answer.
#include <string_view>

#include "platform/event_loop.h"

namespace platform {

enum class box_buttons { ok, ok_cancel };
inline constexpr int answer_ok = 1;      // IDOK
inline constexpr int answer_cancel = 2;  // IDCANCEL

int message_box(window_handle owner, std::u16string_view text, std::u16string_view caption,
                box_buttons buttons);

}  // namespace platform
