#pragma once
// A package on its way to disk. The body goes into a temporary file beside the package as it
// arrives, through a small window of memory, and takes the package's name only once it is
// whole: the package's own name never holds part of a file, not even after a crash, and a
// job's memory does not grow with its package.
#include <cstddef>
#include <memory>
#include <string>

#include "platform/binary_file.h"

class body_file {
 public:
  // Bytes a job holds in memory at most; what arrives beyond them is written out first.
  static constexpr std::size_t window_bytes = 64 * 1024;

  explicit body_file(std::u16string package_path);
  // A temporary file that was not kept is removed.
  ~body_file();
  body_file(const body_file&) = delete;
  body_file& operator=(const body_file&) = delete;

  // Every attempt receives the file from its first byte: starts the temporary file afresh.
  bool restart();
  // Where the next read goes, with room for `bytes` and the terminator the read puts after
  // them; what the window held is written out first when it lacks that room.
  char* room_for(std::size_t bytes);
  // The read delivered `bytes` into the room.
  void add(std::size_t bytes) { filled_ += bytes; }
  // Writes what is left, closes the file and gives it the package's name.
  bool keep();
  // Removes the temporary file; for the paths that end the process without unwinding.
  void discard();
  // Whether a step above failed, and the system's words for it.
  bool failed() const { return !failure_.empty(); }
  const std::string& failure() const { return failure_; }

  // The temporary name: the package's followed by "~". Planning removes files with the
  // package's base name before a download, so one left behind by a crash goes with them.
  static std::u16string temporary_path(const std::u16string& package_path);

 private:
  bool write_window();
  bool fail();

  std::u16string package_;
  std::u16string temporary_;
  platform::binary_output_file file_;
  std::unique_ptr<char[]> window_;
  std::size_t filled_ = 0;
  bool kept_ = false;
  std::string failure_;
};
