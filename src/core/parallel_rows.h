// Splits independent rows (or any index range) across a few threads. The work
// for one index never depends on another, so the result is the same bytes as
// a single loop; small ranges stay on the calling thread.
#pragma once

#include <algorithm>
#include <cstdint>
#include <exception>
#include <thread>
#include <vector>

namespace tessalin {

// Calls work(begin, end) on disjoint pieces of [0, count). `minPerThread`
// keeps small jobs from paying for thread start-up. An exception in a piece
// (out of memory) is passed on to the caller after every thread has ended.
template <typename Work>
void ParallelFor(int64_t count, int64_t minPerThread, Work work) {
  if (count <= 0) return;
  const int64_t hardware = std::max(1u, std::thread::hardware_concurrency());
  const int64_t threads = std::clamp<int64_t>(count / std::max<int64_t>(minPerThread, 1), 1, std::min<int64_t>(hardware, 16));
  if (threads <= 1) {
    work(int64_t{0}, count);
    return;
  }
  std::vector<std::thread> pool;
  pool.reserve(static_cast<size_t>(threads - 1));
  const int64_t piece = (count + threads - 1) / threads;
  std::vector<std::exception_ptr> failures(static_cast<size_t>(threads));
  auto run = [&work, &failures](size_t slot, int64_t begin, int64_t end) {
    try {
      work(begin, end);
    } catch (...) {
      failures[slot] = std::current_exception();
    }
  };
  for (int64_t t = 1; t < threads; ++t) {
    const int64_t begin = std::min(count, t * piece), end = std::min(count, begin + piece);
    if (begin < end) pool.emplace_back(run, static_cast<size_t>(t), begin, end);
  }
  run(0, int64_t{0}, std::min(count, piece));
  for (std::thread& thread : pool) thread.join();
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);
}

}  // namespace tessalin
