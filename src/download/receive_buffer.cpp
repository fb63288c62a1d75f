#include "download/receive_buffer.h"

#include <algorithm>
#include <cstring>

bool receive_buffer::reserve(std::size_t bytes, std::size_t keep) {
  if (bytes <= capacity_) return true;
  platform::page_memory larger = platform::allocate_pages(bytes);
  if (!larger) return false;
  if (keep > 0) std::memcpy(larger.get(), bytes_.get(), std::min(keep, capacity_));
  bytes_ = std::move(larger);
  capacity_ = bytes;
  return true;
}
