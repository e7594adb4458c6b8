#include "widgets/zoom_step.h"

#include <algorithm>
#include <array>

#include "processing/display_sampling.h"

namespace tessalin {

namespace {

// Factors grow by about a quarter from 4 on, so every step looks different.
constexpr std::array<int, 28> kLadder = {1,  2,  3,  4,  5,   6,   8,   10,  12,  16,  20,  24,  32,  40,
                                         48, 64, 80, 96, 128, 160, 192, 256, 320, 384, 512, 640, 768, 1024};
constexpr int kMaxMagnify = 64;
constexpr int kMaxReduce = 1024;

// Steps ordered from the smallest picture to the largest: reduce 1024 .. 2, 1, magnify 2 .. 64.
int Rank(const ZoomStep& step) {
  const auto index = [](int factor) {
    return static_cast<int>(std::lower_bound(kLadder.begin(), kLadder.end(), factor) - kLadder.begin());
  };
  return step.reduce > 1 ? -index(step.reduce) : index(step.magnify);
}

ZoomStep AtRank(int rank) {
  const int last = static_cast<int>(kLadder.size()) - 1;
  rank = std::clamp(rank, -last, last);
  ZoomStep step;
  if (rank < 0)
    step.reduce = kLadder[static_cast<size_t>(-rank)];
  else
    step.magnify = std::min(kLadder[static_cast<size_t>(rank)], kMaxMagnify);
  return step;
}

int MaxRank() {
  return static_cast<int>(std::find(kLadder.begin(), kLadder.end(), kMaxMagnify) - kLadder.begin());
}

int MinRank() {
  return -static_cast<int>(std::find(kLadder.begin(), kLadder.end(), kMaxReduce) - kLadder.begin());
}

}  // namespace

int64_t ZoomStep::DeviceLength(int length) const {
  return reduce > 1 ? ReducedLength(length, reduce) : static_cast<int64_t>(length) * magnify;
}

int64_t ZoomStep::DevicePosition(int p) const {
  return reduce > 1 ? p / reduce : static_cast<int64_t>(p) * magnify;
}

ZoomStep ZoomStep::In() const { return AtRank(std::min(Rank(*this) + 1, MaxRank())); }

ZoomStep ZoomStep::Out() const { return AtRank(std::max(Rank(*this) - 1, MinRank())); }

ZoomStep ZoomStep::Fit(int pictureWidth, int pictureHeight, int64_t areaWidth, int64_t areaHeight) {
  for (int rank = MaxRank(); rank > MinRank(); --rank) {
    const ZoomStep step = AtRank(rank);
    if (step.DeviceLength(pictureWidth) <= areaWidth && step.DeviceLength(pictureHeight) <= areaHeight)
      return step;
  }
  return AtRank(MinRank());
}

}  // namespace tessalin
