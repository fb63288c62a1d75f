#pragma once
// Files read and written byte for byte (no line-end translation), for packages and the files
// unpacked from them. Paths arrive in the core's form ("\" between folders, "/" accepted too).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Times in the unit of the Windows FILETIME: 100-nanosecond steps since 1601-01-01 00:00 UTC.
// A time of 0 means unknown: setting it leaves the file's own time alone.
struct file_times {
  std::uint64_t creation = 0;
  std::uint64_t access = 0;
  std::uint64_t modification = 0;
};

// Created (or truncated) for writing, not shared with other writers while open.
class binary_output_file {
 public:
  binary_output_file() = default;
  ~binary_output_file();
  binary_output_file(const binary_output_file&) = delete;
  binary_output_file& operator=(const binary_output_file&) = delete;

  bool create(std::u16string_view path);
  bool is_open() const { return handle_ != invalid; }
  bool write(const void* data, std::size_t length);
  // True for a file on disk, false for a device or pipe that merely has a name.
  bool is_disk_file() const;
  // Systems without a creation time keep only access and modification.
  bool set_times(const file_times& times);
  // Unix permission bits (0777 at most), masked by the process's umask. Systems without such
  // bits keep the file as it is.
  bool set_permissions(std::uint32_t unix_permissions);
  void close();

 private:
  static constexpr std::intptr_t invalid = -1;
  std::intptr_t handle_ = invalid;
};

// Opened for reading while others may go on reading and writing it.
class binary_input_file {
 public:
  binary_input_file() = default;
  ~binary_input_file();
  binary_input_file(const binary_input_file&) = delete;
  binary_input_file& operator=(const binary_input_file&) = delete;

  bool open(std::u16string_view path);
  bool is_open() const { return stream_ != nullptr; }
  // Up to length bytes; fewer only at the end of the file or on an error.
  std::size_t read(void* data, std::size_t length);
  // Whether a read failed (rather than met the end of the file).
  bool failed() const;

  // The read position for archives, whose directory lies at their end: moves it by offset
  // from the start, the current position or the end; false when it cannot be moved there.
  enum class origin { start, current, end };
  bool seek(std::int64_t offset, origin from);
  // -1 when it cannot be told.
  std::int64_t position() const;
  void close();

 private:
  std::FILE* stream_ = nullptr;
  std::vector<char> buffer_;  // the stream's buffer, when the system wants one supplied
};

}  // namespace platform
