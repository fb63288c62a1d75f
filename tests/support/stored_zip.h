#pragma once
// Zip archives with stored (uncompressed) entries, written by the tests themselves so that
// every system makes the same bytes without a helper program.
#include <map>
#include <string>

namespace testing_support {

// The archive's bytes: one stored entry per name (its path inside the archive, "/" separated),
// in the map's order, with a fixed modification time.
std::string stored_zip(const std::map<std::string, std::string>& entries);

}  // namespace testing_support
