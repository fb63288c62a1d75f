#include "update/package_digests.h"

#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "update/file_md5.h"

struct PackageDigests::hashing_queue {
  std::mutex mutex;
  std::deque<std::pair<std::u16string, std::promise<std::string>>> files;
  std::size_t threads = 0;  // running hashing threads

  // Hashes queued files until none is left; the last look and the thread's end are one step
  // under the lock, so a file queued meanwhile always finds a thread.
  static void drain(const std::shared_ptr<hashing_queue>& queue) {
    while (true) {
      std::pair<std::u16string, std::promise<std::string>> next;
      {
        const std::lock_guard lock(queue->mutex);
        if (queue->files.empty()) {
          --queue->threads;
          return;
        }
        next = std::move(queue->files.front());
        queue->files.pop_front();
      }
      try {
        next.second.set_value(fileMd5Hex(next.first));
      } catch (...) {
        next.second.set_exception(std::current_exception());
      }
    }
  }
};

PackageDigests::PackageDigests() : queue_(std::make_shared<hashing_queue>()) {}

void PackageDigests::start(const std::u16string& path) {
  std::promise<std::string> digest;
  std::future<std::string> result = digest.get_future();
  const std::lock_guard lock(queue_->mutex);
  queue_->files.emplace_back(path, std::move(digest));
  if (queue_->threads < max_hashing_threads) {
    try {
      std::thread([queue = queue_] { hashing_queue::drain(queue); }).detach();
      ++queue_->threads;
    } catch (const std::system_error&) {
      // No thread to spare: with none running, nobody would take this file from the queue.
      if (queue_->threads == 0) {
        queue_->files.pop_back();
        pending_.erase(path);
        return;
      }
    }
  }
  pending_[path] = std::move(result);
}

std::string PackageDigests::take(const std::u16string& path) {
  const auto found = pending_.find(path);
  if (found == pending_.end()) return fileMd5Hex(path);
  std::string digest = found->second.get();
  pending_.erase(found);
  return digest;
}
