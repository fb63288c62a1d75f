#pragma once
// The desktop's event loop: windows that receive messages, timers and the quit message.
// post_message may be called from any thread; everything else belongs to the main thread.
#include <cstdint>
#include <functional>

namespace platform {

using window_handle = std::uintptr_t;  // 0 = no window

using window_procedure =
    std::function<std::intptr_t(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam)>;

inline constexpr std::uint32_t message_timer = 0x113;  // WM_TIMER, wparam = timer id

// A window of the loop that receives posted messages and timer ticks through its procedure.
window_handle create_message_window(window_procedure procedure);
bool window_exists(window_handle window);
// Removes the window with its timers and the messages still queued for it.
void destroy_window(window_handle window);

bool post_message(window_handle window, std::uint32_t message, std::uintptr_t wparam,
                  std::intptr_t lparam);
bool set_timer(window_handle window, std::uintptr_t timer_id, std::uint32_t period_ms);
bool kill_timer(window_handle window, std::uintptr_t timer_id);

void post_quit_message(int exit_code);
// Runs until the quit message arrives and returns its code.
int run_message_loop();

}  // namespace platform
