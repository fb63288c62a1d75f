#include "support/address_space.h"

namespace testing_support {

// Windows has no limit a process can put on its own address space.
bool address_space_can_be_limited() { return false; }
std::uint64_t address_space_in_use() { return 0; }
bool limit_address_space(std::uint64_t) { return false; }
// Not asked here: the download tests read these figures on Linux.
std::uint64_t peak_resident_bytes() { return 0; }
process_load current_load() { return {}; }

}  // namespace testing_support
