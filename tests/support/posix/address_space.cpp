#include "support/address_space.h"

#include <malloc.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace testing_support {

bool address_space_can_be_limited() { return !LAUNCHER_SANITIZED; }

std::uint64_t address_space_in_use() {
  std::ifstream statm("/proc/self/statm");
  std::uint64_t pages = 0;
  if (!(statm >> pages)) return 0;
  return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

bool limit_address_space(std::uint64_t bytes) {
  // glibc would give each thread 8 MiB of stack and a heap arena of 64 MiB, where the Windows
  // program's threads reserve 2 MiB and share the one process heap.
  pthread_attr_t small_stack;
  pthread_attr_init(&small_stack);
  pthread_attr_setstacksize(&small_stack, std::size_t{2} << 20);
  const bool stack_set = pthread_setattr_default_np(&small_stack) == 0;
  pthread_attr_destroy(&small_stack);
  mallopt(M_ARENA_MAX, 1);
  // The heap is grown ahead and kept: a worker's first allocations (its connection's buffers)
  // then take no new address space, so which thread fails at the limit does not depend on
  // whether the workers ran before the next thread's stack took the last room.
  constexpr int heap_ahead = 8 << 20;
  mallopt(M_MMAP_THRESHOLD, 2 * heap_ahead);
  mallopt(M_TRIM_THRESHOLD, 4 * heap_ahead);
  void* volatile ahead = std::malloc(heap_ahead);  // volatile: the pair must not be optimised away
  std::free(ahead);
  rlimit limit{};
  if (!stack_set || getrlimit(RLIMIT_AS, &limit) != 0) return false;
  limit.rlim_cur = bytes;
  return setrlimit(RLIMIT_AS, &limit) == 0;
}

std::uint64_t peak_resident_bytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::strtoull(line.c_str() + 6, nullptr, 10) << 10;
  return 0;
}

namespace {

std::size_t entries_of(const char* folder) {
  std::error_code error;
  std::size_t n = 0;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error))
    ++n;
  return n;
}

}  // namespace

process_load current_load() { return {entries_of("/proc/self/task"), entries_of("/proc/self/fd")}; }

}  // namespace testing_support
