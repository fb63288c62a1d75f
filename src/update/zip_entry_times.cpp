#include "update/zip_entry_times.h"

#include <algorithm>

#include "update/civil_days.h"

namespace {

constexpr std::uint64_t filetime_per_second = 10000000ULL;
constexpr std::uint64_t seconds_1601_to_1970 = 11644473600ULL;
constexpr std::uint16_t extended_timestamp_tag = 0x5455;  // "UT" as a little-endian word

bool isLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned daysInMonth(unsigned year, unsigned month) {
  static constexpr unsigned days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

std::uint32_t readLittleEndian(const unsigned char* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

}  // namespace

std::uint64_t dosDateTimeToFileTime(std::uint32_t dosDateTime) {
  const std::uint32_t date = dosDateTime >> 16;
  const std::uint32_t time = dosDateTime & 0xFFFF;
  const unsigned day = date & 0x1F;
  const unsigned month = (date >> 5) & 0x0F;
  const unsigned year = 1980 + (date >> 9);
  const unsigned second = (time & 0x1F) * 2;
  const unsigned minute = (time >> 5) & 0x3F;
  const unsigned hour = time >> 11;
  if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
      minute > 59 || second > 59) {
    return 0;
  }
  const std::int64_t seconds = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return unixTimeToFileTime(seconds);
}

std::uint64_t unixTimeToFileTime(std::int64_t seconds) {
  if (seconds < 0) return 0;
  return (static_cast<std::uint64_t>(seconds) + seconds_1601_to_1970) * filetime_per_second;
}

void applyExtendedTimestamp(const unsigned char* extra, std::size_t size, platform::file_times& times) {
  std::size_t pos = 0;
  while (pos + 4 <= size) {
    const auto tag = static_cast<std::uint16_t>(readLittleEndian(extra + pos, 2));
    const std::size_t declared = readLittleEndian(extra + pos + 2, 2);
    const std::size_t length = std::min(declared, size - pos - 4);
    const unsigned char* data = extra + pos + 4;
    if (tag == extended_timestamp_tag) {
      if (length < 1) return;
      const unsigned flags = data[0];
      std::uint64_t* targets[3] = {&times.modification, &times.access, &times.creation};
      std::size_t offset = 1;
      for (int bit = 0; bit < 3; ++bit) {
        if (!(flags & (1u << bit))) continue;
        if (offset + 4 > length) return;
        const auto seconds = static_cast<std::int32_t>(readLittleEndian(data + offset, 4));
        // Times before 1970 have no calendar date here; the DOS time stays.
        if (const std::uint64_t converted = unixTimeToFileTime(seconds)) *targets[bit] = converted;
        offset += 4;
      }
      return;
    }
    pos += 4 + declared;
  }
}
