#include "download/receive_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

bool receive_buffer::reserve(std::size_t bytes, std::size_t keep) {
  if (bytes <= capacity_) return true;
  std::unique_ptr<char[]> larger;
  try {
    // Not filled: pages that no body byte reaches cost no memory.
    larger = std::make_unique_for_overwrite<char[]>(bytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (keep > 0) std::memcpy(larger.get(), bytes_.get(), std::min(keep, capacity_));
  bytes_ = std::move(larger);
  capacity_ = bytes;
  return true;
}
