#pragma once
// Time, ticks and threads.
#include <cstdint>

namespace platform {

std::uint32_t tick_count();  // milliseconds since system start; wraps like GetTickCount
std::int64_t unix_time();    // seconds since 1970-01-01 00:00 UTC

struct local_time {
  int year = 0;  // e.g. 2013
  int month = 0;  // 1..12
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};
local_time now_local();

std::uint32_t current_thread_id();
void sleep_ms(std::uint32_t milliseconds);

}  // namespace platform
