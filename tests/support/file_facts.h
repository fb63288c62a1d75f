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

// Makes every write of this process that would take a file past `bytes` fail, as a full disk
// makes it fail, and returns the system's words for that failure. None where the system has
// no such limit.
std::optional<std::string> limit_file_size(std::uint64_t bytes);

// The path of the running test program, as the system reports it.
std::filesystem::path own_program();

}  // namespace testing_support
