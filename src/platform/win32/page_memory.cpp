#include "platform/page_memory.h"

#include <windows.h>

namespace platform {

void page_memory_release::operator()(char* pages) const {
  if (pages != nullptr) ::VirtualFree(pages, 0, MEM_RELEASE);
}

// Committed pages are zero pages until first written: they count against the commit limit
// but take memory only when touched. Large pages need a privilege players do not hold.
page_memory allocate_pages(std::size_t bytes) {
  if (bytes == 0) bytes = 1;
  void* pages = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  return page_memory(static_cast<char*>(pages), page_memory_release{bytes});
}

}  // namespace platform
