#include "download/transfer_queue.h"

transfer_queue::transfer_queue(std::vector<std::shared_ptr<PacketJob>> jobs)
    : jobs_(std::move(jobs)) {}

std::shared_ptr<PacketJob> transfer_queue::take() {
  std::lock_guard lock(mutex_);
  if (next_ == jobs_.size()) return nullptr;
  const std::shared_ptr<PacketJob>& job = jobs_[next_++];
  // Begun as it is handed out, under the lock: whoever reads the records never sees a job begun
  // while an earlier one still waits, however the workers are scheduled afterwards.
  job->thread_status.store(PACKET_RUNNING, std::memory_order_release);
  return job;
}

platform::window_handle transfer_queue::window() const {
  return jobs_.empty() ? 0 : jobs_.front()->wnd;
}
