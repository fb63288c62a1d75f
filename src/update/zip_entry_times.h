#pragma once
// The times an archive keeps for an entry, as FILETIME values (100 ns steps since 1601, UTC).
#include <cstddef>
#include <cstdint>

#include "platform/binary_file.h"

// The packed DOS date (high 16 bits) and time (low 16 bits) read as if they were UTC, the way
// the archive's writer stored its local clock; 0 when the date or time is not a valid one.
std::uint64_t dosDateTimeToFileTime(std::uint32_t dosDateTime);

// Seconds since 1970 (UTC) to FILETIME; 0 for times before 1970.
std::uint64_t unixTimeToFileTime(std::int64_t seconds);

// Walks an extra field and lets the first Info-ZIP "UT" block replace the times it carries
// (modification, access, creation, as its flag byte says). Times cut off by the block's end
// are not read.
void applyExtendedTimestamp(const unsigned char* extra, std::size_t size, platform::file_times& times);
