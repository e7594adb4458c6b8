// Splits the rows of one result between threads. Rows are independent in the
// convolution and edge engines, so the bytes do not depend on the split.
#pragma once

#include <algorithm>
#include <thread>
#include <vector>

// Lets GCC vectorise a whole-number loop (-O2 keeps to its cheapest model);
// floating point is never reordered by it.
#if defined(__GNUC__) && !defined(__clang__)
#define TESSALIN_VECTORISE [[gnu::optimize("O3")]]
#else
#define TESSALIN_VECTORISE
#endif

namespace tessalin {

// Calls band(firstRow, endRow) over [0, rows), on several threads when the
// picture is big enough to pay for them.
template <typename BandFn>
void ForEachRowBand(int rows, long long pixels, BandFn band) {
  constexpr long long kPixelsPerThread = 1 << 14;
  int workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  workers = static_cast<int>(std::min<long long>({workers, 16, rows, pixels / kPixelsPerThread}));
  if (workers <= 1) {
    if (rows > 0) band(0, rows);
    return;
  }
  const int step = (rows + workers - 1) / workers;
  std::vector<std::thread> threads;
  for (int first = step; first < rows; first += step)
    threads.emplace_back([&band, first, step, rows] { band(first, std::min(rows, first + step)); });
  band(0, std::min(rows, step));
  for (std::thread& t : threads) t.join();
}

}  // namespace tessalin
