#pragma once
// What the operating system itself says about a file, as the reference the launcher's own
// view is checked against.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace testing_support {

// Seconds since 1970-01-01 UTC.
struct file_seconds {
  std::int64_t modified = 0;
  std::int64_t accessed = 0;
};

// Fails the test (ADD_FAILURE) and returns zeros when the file cannot be asked.
file_seconds file_times_of(const std::filesystem::path& file);

// The file's MD5 digest in upper-case hex, from a digest implementation that is not ours
// (md5sum; the system's crypto provider on Windows).
std::string reference_md5_hex(const std::filesystem::path& file);

// A file that the system lets a program open for writing but whose every write fails as on a
// full disk (/dev/full), with the system's own words for that failure. None where the system
// has no such device.
struct full_disk_file {
  std::u16string folder;  // in the launcher's own form, ending with a separator
  std::u16string name;
  std::string reason;
};
std::optional<full_disk_file> full_disk();

// The path of the running test program, as the system reports it.
std::filesystem::path own_program();

}  // namespace testing_support
