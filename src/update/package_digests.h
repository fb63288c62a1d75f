#pragma once
// The digests of the packages an update has saved, worked out in the background. A package
// is queued for hashing from the moment its download is saved, while other packages still
// download; the check before extraction then finds its digest ready instead of reading every
// package back on the main thread, one after another. A few hashing threads serve the whole
// update, so a list of thousands of packages costs no more threads than a short one.
#include <cstddef>
#include <future>
#include <map>
#include <memory>
#include <string>

#include "update/file_md5.h"

class PackageDigests {
 public:
  // Hashing runs at disk and memory speed, far above any download's, so two threads keep up
  // with every package an update saves.
  static constexpr std::size_t max_hashing_threads = 2;

  PackageDigests();
  // Queues the file for hashing, its SHA-256 too when asked. Without a thread to spare, the
  // digests are worked out when they are taken.
  void start(const std::u16string& path, bool withSha256);
  // The file's digests as fileDigests gives them: the background result when one was queued
  // (waiting for it if need be), otherwise worked out now.
  FileDigests take(const std::u16string& path, bool withSha256);

 private:
  struct hashing_queue;
  // Shared with the hashing threads, which run detached and may outlive this object.
  std::shared_ptr<hashing_queue> queue_;
  std::map<std::u16string, std::future<FileDigests>> pending_;
};
