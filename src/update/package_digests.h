#pragma once
// The MD5 digests of the packages an update has saved, worked out in the background. A package
// is hashed from the moment its download is saved, on a thread of its own, while other
// packages still download; the check before extraction then finds its digest ready instead of
// reading every package back on the main thread, one after another.
#include <future>
#include <map>
#include <string>

class PackageDigests {
 public:
  // Starts hashing the file on a thread of its own. Without a thread to spare, nothing starts
  // and the digest is worked out when it is taken.
  void start(const std::u16string& path);
  // The file's digest as fileMd5Hex gives it: the background result when one was started
  // (waiting for it if need be), otherwise worked out now.
  std::string take(const std::u16string& path);

 private:
  std::map<std::u16string, std::future<std::string>> pending_;
};
