#include "download/transfer_queue.h"

transfer_queue::transfer_queue(std::vector<std::shared_ptr<PacketJob>> jobs)
    : jobs_(std::move(jobs)) {}

std::shared_ptr<PacketJob> transfer_queue::take() {
  std::lock_guard lock(mutex_);
  if (next_ == jobs_.size()) return nullptr;
  return jobs_[next_++];
}

platform::window_handle transfer_queue::window() const {
  return jobs_.empty() ? 0 : jobs_.front()->wnd;
}
