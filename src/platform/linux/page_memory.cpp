#include "platform/page_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace platform {

namespace {

// The size of a transparent huge page, 0 where the kernel has none.
std::size_t huge_page_bytes() {
  static const std::size_t bytes = [] {
    unsigned long long size = 0;
    if (std::FILE* f = std::fopen("/sys/kernel/mm/transparent_hugepage/hpage_pmd_size", "r")) {
      if (std::fscanf(f, "%llu", &size) != 1) size = 0;
      std::fclose(f);
    }
    return static_cast<std::size_t>(size);
  }();
  return bytes;
}

char* map_pages(std::size_t bytes) {
  void* pages = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return pages == MAP_FAILED ? nullptr : static_cast<char*>(pages);
}

// A mapping that starts on a huge-page boundary, so that every whole huge page of it can be
// one: asks for one huge page more and gives back what lies before and after the aligned part.
// A system short of address space for that gets an unaligned mapping instead.
char* map_aligned_pages(std::size_t bytes, std::size_t alignment) {
  char* wide = map_pages(bytes + alignment);
  if (wide == nullptr) return map_pages(bytes);
  const auto start = reinterpret_cast<std::uintptr_t>(wide);
  const std::uintptr_t aligned = (start + alignment - 1) & ~(std::uintptr_t{alignment} - 1);
  const std::size_t before = aligned - start;
  if (before > 0) ::munmap(wide, before);
  ::munmap(reinterpret_cast<char*>(aligned) + bytes, alignment - before);
  return reinterpret_cast<char*>(aligned);
}

}  // namespace

void page_memory_release::operator()(char* pages) const {
  if (pages != nullptr) ::munmap(pages, bytes);
}

page_memory allocate_pages(std::size_t bytes) {
  // Whole pages, so that the parts around an aligned mapping can be given back exactly.
  static const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  bytes = bytes == 0 ? page : (bytes + page - 1) / page * page;
  const std::size_t huge = huge_page_bytes();
  if (huge == 0 || bytes < huge) return page_memory(map_pages(bytes), page_memory_release{bytes});
  char* pages = map_aligned_pages(bytes, huge);
  // Large pages only where asked for (the usual "madvise" setting): a buffer that is filled
  // page after page gains most from them. The kernel falls back to small pages by itself when
  // it has no large one free, so the answer does not matter.
  if (pages != nullptr) ::madvise(pages, bytes, MADV_HUGEPAGE);
  return page_memory(pages, page_memory_release{bytes});
}

}  // namespace platform
