#pragma once
// Large buffers taken straight from the system's pages. Nothing is touched in advance, so a
// page costs memory only once something is written into it; where the system offers large
// pages for such memory, a buffer filled from its start takes one fault per large page
// instead of one per small page, which on virtual machines is most of the cost of filling it.
#include <cstddef>
#include <memory>

namespace platform {

struct page_memory_release {
  std::size_t bytes = 0;
  void operator()(char* pages) const;
};
using page_memory = std::unique_ptr<char[], page_memory_release>;

// `bytes` of zeroed memory; empty when the address space cannot hold them.
page_memory allocate_pages(std::size_t bytes);

}  // namespace platform
