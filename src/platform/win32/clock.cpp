#include <windows.h>

#include <sys/timeb.h>
#include <time.h>

#include "platform/clock.h"

namespace platform {

std::uint32_t tick_count() { return GetTickCount(); }

std::int64_t unix_time() {
  __timeb64 now{};
  _ftime64(&now);
  return now.time;
}

local_time now_local() {
  __timeb64 now{};
  _ftime64(&now);
  tm parts{};
  _localtime64_s(&parts, &now.time);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
          parts.tm_min,         parts.tm_sec,     now.millitm};
}

std::uint32_t current_thread_id() { return GetCurrentThreadId(); }

void sleep_ms(std::uint32_t milliseconds) { Sleep(milliseconds); }

}  // namespace platform
