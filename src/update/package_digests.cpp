#include "update/package_digests.h"

#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

struct PackageDigests::hashing_queue {
  std::mutex mutex;
  struct queued_file {
    std::u16string path;
    bool withSha256 = false;
    std::promise<FileDigests> digests;
  };
  std::deque<queued_file> files;
  std::size_t threads = 0;  // running hashing threads

  // Hashes queued files until none is left; the last look and the thread's end are one step
  // under the lock, so a file queued meanwhile always finds a thread.
  static void drain(const std::shared_ptr<hashing_queue>& queue) {
    while (true) {
      queued_file next;
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
        next.digests.set_value(fileDigests(next.path, next.withSha256));
      } catch (...) {
        next.digests.set_exception(std::current_exception());
      }
    }
  }
};

PackageDigests::PackageDigests() : queue_(std::make_shared<hashing_queue>()) {}

void PackageDigests::start(const std::u16string& path, bool withSha256) {
  std::promise<FileDigests> digests;
  std::future<FileDigests> result = digests.get_future();
  const std::lock_guard lock(queue_->mutex);
  queue_->files.push_back({path, withSha256, std::move(digests)});
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

FileDigests PackageDigests::take(const std::u16string& path, bool withSha256) {
  const auto found = pending_.find(path);
  if (found == pending_.end()) return fileDigests(path, withSha256);
  FileDigests digests = found->second.get();
  pending_.erase(found);
  return digests;
}
