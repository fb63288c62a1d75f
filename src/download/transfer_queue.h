#pragma once
// The jobs of an update in list order, handed to the download workers one at a time. A job
// waits here without a thread or a socket until a worker takes it, so an update of any length
// runs on a few workers; each worker takes the next job when its transfer ends.
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "download/packet_job.h"

// Transfers at most at once. Measured over loopback against nginx and the test server: more
// than this gains nothing on many small packages and costs connections and threads (each a
// stack of address space on a 32-bit system); fewer leave the line idle between the requests
// of small packages.
inline constexpr std::size_t MAX_TRANSFERS = 16;

class transfer_queue {
 public:
  explicit transfer_queue(std::vector<std::shared_ptr<PacketJob>> jobs);
  // The next job in list order; null once every job has been taken.
  std::shared_ptr<PacketJob> take();
  std::size_t size() const { return jobs_.size(); }
  // The window the jobs report to.
  platform::window_handle window() const;

 private:
  std::mutex mutex_;
  std::size_t next_ = 0;
  std::vector<std::shared_ptr<PacketJob>> jobs_;
};
