#include "processing/void_and_cluster.h"

#include <cmath>
#include <cstddef>

namespace tessalin {

namespace {

// A Gaussian of sigma 1.5 on the torus, scaled to whole numbers so that
// energies are exact sums and every comparison is the same everywhere.
constexpr double kSigma = 1.5;
constexpr double kScale = 1 << 20;

// splitmix64: a small generator whose sequence no library version can change.
class SplitMix {
 public:
  explicit SplitMix(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

 private:
  uint64_t state_;
};

class Pattern {
 public:
  explicit Pattern(int size) : size_(size), on_(Area(), false), energy_(Area(), 0), filter_(Area()) {
    for (int dy = 0; dy < size; ++dy)
      for (int dx = 0; dx < size; ++dx) {
        const int wx = dx <= size / 2 ? dx : size - dx, wy = dy <= size / 2 ? dy : size - dy;
        filter_[Index(dx, dy)] = static_cast<int64_t>(
            std::llround(kScale * std::exp(-(wx * wx + wy * wy) / (2 * kSigma * kSigma))));
      }
  }
  size_t Area() const { return static_cast<size_t>(size_) * size_; }
  bool On(size_t i) const { return on_[i]; }
  void Set(size_t i, bool on) {
    on_[i] = on;
    const int sign = on ? 1 : -1;
    const int x0 = static_cast<int>(i % size_), y0 = static_cast<int>(i / size_);
    for (int y = 0; y < size_; ++y)
      for (int x = 0; x < size_; ++x)
        energy_[Index(x, y)] += sign * filter_[Index((x - x0 + size_) % size_, (y - y0 + size_) % size_)];
  }
  // The set pixel with the most energy around it; the lowest index on a tie.
  size_t TightestCluster() const { return Extreme(true); }
  // The clear pixel with the least.
  size_t LargestVoid() const { return Extreme(false); }

 private:
  size_t Index(int x, int y) const { return static_cast<size_t>(y) * size_ + x; }
  size_t Extreme(bool on) const {
    size_t best = Area();
    for (size_t i = 0; i < Area(); ++i) {
      if (on_[i] != on) continue;
      if (best == Area() || (on ? energy_[i] > energy_[best] : energy_[i] < energy_[best])) best = i;
    }
    return best;
  }

  int size_;
  std::vector<bool> on_;
  std::vector<int64_t> energy_;
  std::vector<int64_t> filter_;
};

}  // namespace

std::vector<int> VoidAndClusterRanks(int size, uint64_t seed) {
  Pattern prototype(size);
  const size_t area = prototype.Area();
  // A tenth of the pixels at random, then moved from clusters into voids
  // until the two meet.
  const size_t initial = area / 10 > 0 ? area / 10 : 1;
  SplitMix random(seed);
  for (size_t placed = 0; placed < initial;) {
    const size_t i = static_cast<size_t>(random.Next() % area);
    if (!prototype.On(i)) prototype.Set(i, true), ++placed;
  }
  for (;;) {
    const size_t cluster = prototype.TightestCluster();
    prototype.Set(cluster, false);
    const size_t gap = prototype.LargestVoid();
    if (gap == cluster) {
      prototype.Set(cluster, true);
      break;
    }
    prototype.Set(gap, true);
  }
  std::vector<int> rank(area, 0);
  // Below the prototype: its pixels taken away, tightest clusters first.
  Pattern fewer = prototype;
  for (size_t r = initial; r-- > 0;) {
    const size_t cluster = fewer.TightestCluster();
    fewer.Set(cluster, false);
    rank[cluster] = static_cast<int>(r);
  }
  // Above it: the largest voids filled. Past half full this is the same as
  // taking the tightest clusters of the clear pixels (their energy is the
  // filter's total less the set pixels' energy).
  Pattern more = prototype;
  for (size_t r = initial; r < area; ++r) {
    const size_t gap = more.LargestVoid();
    more.Set(gap, true);
    rank[gap] = static_cast<int>(r);
  }
  return rank;
}

}  // namespace tessalin
