#pragma once
// Runs work(0) ... work(count - 1) on up to workers threads, each taking the next index.
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

template <typename Work>
void forEachInParallel(std::size_t count, unsigned workers, Work&& work) {
  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    for (std::size_t index = next++; index < count; index = next++) work(index);
  };
  std::vector<std::jthread> threads;
  for (unsigned i = 1; i < workers && i < count; ++i) threads.emplace_back(worker);
  worker();
}
