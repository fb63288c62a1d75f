#pragma once
// The memory a download job receives its body into. Every job of an update runs at once and a
// 32-bit launcher has 2 GiB of address space for all of them, so a job takes room only for
// what it can receive: the worker asks for it once the server has announced the file's length.
// The room comes straight from the system's pages and is never filled in advance: a page costs
// memory only once body bytes reach it.
#include <cstddef>

#include "platform/page_memory.h"

class receive_buffer {
 public:
  // Makes room for at least `bytes` bytes, keeping the first `keep` bytes received so far.
  // False when the memory cannot be had; the buffer is then as it was.
  bool reserve(std::size_t bytes, std::size_t keep);
  char* data() const { return bytes_.get(); }
  std::size_t capacity() const { return capacity_; }

 private:
  platform::page_memory bytes_;
  std::size_t capacity_ = 0;
};
