#pragma once
// A zip archive written in memory, entry by entry, the counterpart of ZipArchive for whoever
// makes packages. Its bytes depend only on what is added: no clock, no comment, no host data,
// so the same entries give the same archive on every run.
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

struct ZipWriteEntry {
  std::string_view name;          // UTF-8, "/" between folders; flagged as UTF-8 in the archive
  std::int64_t modificationTime;  // seconds since 1970 (UTC)
  std::uint32_t unixPermissions;  // the 0777 bits, stored as a regular file made on Unix
};

class ZipWriter {
 public:
  // level: the deflate level (0 stores), the same for every entry.
  explicit ZipWriter(int level);
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  bool add(const ZipWriteEntry& entry, const void* data, std::size_t size);
  // The whole archive; nothing when an entry could not be written. The writer is spent after.
  std::optional<std::vector<unsigned char>> finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};
