#pragma once
// The record a download worker fills for its job. The worker is its only writer; the main
// thread reads the counters while the worker runs, so those are relaxed atomics of the same
// 32-bit width as before.
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/event_loop.h"

// The largest body a job accepts.
inline constexpr std::int32_t MAX_PACKET_BYTES = 0x1C00000;

// thread_status values (1 is not used).
inline constexpr std::uint32_t PACKET_CREATED = 0;
inline constexpr std::uint32_t PACKET_RUNNING = 2;
inline constexpr std::uint32_t PACKET_DONE = 3;
inline constexpr std::uint32_t PACKET_FAILED = 4;
inline constexpr std::uint32_t PACKET_TIMED_OUT = 5;

// What a worker posts to its job's window.
inline constexpr std::uint32_t WM_DOWNLOAD_PROGRESS = 0x0659;  // wparam 0, lparam 0
inline constexpr std::uint32_t WM_DOWNLOAD_FINISHED = 0x0465;  // wparam = job id, lparam 0

// Longest URL or path a job record holds, without its terminator.
inline constexpr std::size_t PACKET_TEXT_MAX = 255;

struct PacketJob {
  std::int32_t id = 0;
  std::atomic<std::int32_t> bufsize{0};
  std::atomic<std::int32_t> totalsize{0};
  char lpURL[PACKET_TEXT_MAX + 1] = {};
  platform::window_handle wnd = 0;
  std::atomic<std::uint32_t> thread_status{PACKET_CREATED};
  char lpName[PACKET_TEXT_MAX + 1] = {};
  std::atomic<std::int32_t> retry_cnt{0};
  // The smallest body refused: one byte past the signed release's size of the package where
  // there is one, so that a longer body stops at that byte.
  std::int32_t byte_limit = MAX_PACKET_BYTES;
  // The file the worker saves, whole. lpName is its text in the ANSI code page, for the log:
  // that cannot hold every folder name ("?" in its place), so the file is never opened by it.
  std::u16string savePath;
};
