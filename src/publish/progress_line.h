#pragma once
// One line on the terminal that follows the work: files, bytes, rate and time left. Nothing is
// drawn when standard error is not a terminal, so logs and pipes get only the summary.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class ProgressLine {
 public:
  ProgressLine(std::uint64_t totalFiles, std::uint64_t totalBytes);
  ~ProgressLine();  // clears the line
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  std::atomic<std::uint64_t> doneFiles{0};
  std::atomic<std::uint64_t> doneBytes{0};

 private:
  void draw(double seconds) const;

  std::uint64_t totalFiles_;
  std::uint64_t totalBytes_;
  std::mutex lock_;
  std::condition_variable stopped_;
  bool stop_ = false;
  std::thread painter_;
};
