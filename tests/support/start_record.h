#pragma once
// The record that record_invocation (support/record_invocation.cpp) keeps where it stands in for
// the updater or the game: each start appends its working folder and arguments, then "--".
#include <filesystem>
#include <string>

#include "support/program_output.h"
#include "support/temp_folder.h"
#include "support/waiting.h"

namespace testing_support {

// How many starts the record holds.
inline std::size_t starts_in(const std::filesystem::path& record) {
  return count_of(read_bytes(record), "--\n");
}

// Waits until the record holds at least count starts; the program writes it on its own time.
inline bool wait_for_starts(const std::filesystem::path& record, std::size_t count = 1,
                            int limit_ms = 20000) {
  return wait_until([&] { return starts_in(record) >= count; }, limit_ms);
}

}  // namespace testing_support
