#pragma once
// The address space of the running test program, so that a 64-bit test process can stand in
// for the 32-bit launcher, which has 2 GiB of it in all.
#include <cstddef>
#include <cstdint>

namespace testing_support {

// Whether this build can limit its own address space: not on Windows, and not under a
// sanitizer, whose shadow memory alone takes terabytes of it.
bool address_space_can_be_limited();

// Bytes of address space this process has mapped now; 0 where the system does not tell.
std::uint64_t address_space_in_use();

// Lays this process out as the 32-bit launcher is: every later mapping that would take it past
// `bytes` fails, new threads reserve the 2 MiB stack of a Windows program, and there is one
// heap. False when the limit cannot be set.
bool limit_address_space(std::uint64_t bytes);

// The most memory this process has held resident so far; 0 where the system does not tell.
std::uint64_t peak_resident_bytes();

// Threads and open files (sockets included) of this process now; 0 where the system does not
// tell.
struct process_load {
  std::size_t threads = 0;
  std::size_t open_files = 0;
};
process_load current_load();

}  // namespace testing_support
