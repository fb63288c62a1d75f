#pragma once
// Zip archives written by the tests themselves, so that every system makes the same bytes
// without a helper program: plain stored packages, and hand-made ones with deflated data,
// folder entries, extra fields, hostile names and damaged data for the extraction tests.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

struct zip_entry {
  enum class kind {
    file,
    folder,       // both the DOS and the Unix directory bit
    unix_folder,  // only the Unix directory bit, as some Unix tools write
  };
  enum class damage {
    none,
    crc,      // stored, one data byte changed after the checksum was taken
    inflate,  // deflated, the compressed bytes replaced by bytes that cannot be inflated
    cut,      // deflated, the stream ends after half the size and checksum the records promise
  };
  struct date_time {
    unsigned year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  };

  std::string name;  // stored as given: may be absolute, hold "..", "\" or a drive
  std::string data;
  kind type = kind::file;
  bool deflated = false;
  date_time modified;
  std::string extra;  // the extra field, in the local header and the central directory
  damage broken = damage::none;
};

// The archive's bytes, entries in the given order.
std::string zip_bytes(const std::vector<zip_entry>& entries);

// An Info-ZIP extended timestamp ("UT") block: the flags byte, then each time as a signed
// 32-bit count of seconds since 1970, in flag order.
std::string extended_timestamp_block(std::uint8_t flags, const std::vector<std::int32_t>& times);

// One stored entry per name (its path inside the archive, "/" separated), in the map's order,
// with a fixed modification time.
std::string stored_zip(const std::map<std::string, std::string>& entries);

}  // namespace testing_support
