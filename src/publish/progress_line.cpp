#include "publish/progress_line.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace {

constexpr auto REDRAW_EVERY = std::chrono::milliseconds(250);
constexpr double MIB = 1024.0 * 1024.0;

}  // namespace

ProgressLine::ProgressLine(std::uint64_t totalFiles, std::uint64_t totalBytes)
    : totalFiles_(totalFiles), totalBytes_(totalBytes) {
  if (!isatty(STDERR_FILENO)) return;
  painter_ = std::thread([this] {
    const auto start = std::chrono::steady_clock::now();
    std::unique_lock hold(lock_);
    while (!stopped_.wait_for(hold, REDRAW_EVERY, [this] { return stop_; }))
      draw(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  });
}

ProgressLine::~ProgressLine() {
  if (!painter_.joinable()) return;
  {
    const std::lock_guard hold(lock_);
    stop_ = true;
  }
  stopped_.notify_all();
  painter_.join();
  std::fprintf(stderr, "\r\033[K");
}

void ProgressLine::draw(double seconds) const {
  const std::uint64_t bytes = doneBytes.load();
  const double rate = seconds > 0 ? static_cast<double>(bytes) / seconds : 0;
  std::fprintf(stderr, "\r\033[Kfiles %llu/%llu, %.1f/%.1f MiB, %.1f MiB/s",
               static_cast<unsigned long long>(doneFiles.load()),
               static_cast<unsigned long long>(totalFiles_), static_cast<double>(bytes) / MIB,
               static_cast<double>(totalBytes_) / MIB, rate / MIB);
  if (rate > 0) std::fprintf(stderr, ", %.0f s left", static_cast<double>(totalBytes_ - bytes) / rate);
  std::fflush(stderr);
}
