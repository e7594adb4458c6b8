// The zoom of a picture view, in whole device pixels: each picture pixel shows
// as `magnify` x `magnify` device pixels, or each `reduce` x `reduce` block of
// picture pixels as one device pixel. One of the two is always 1.
#pragma once

#include <cstdint>

namespace tessalin {

struct ZoomStep {
  int magnify = 1;
  int reduce = 1;

  bool operator==(const ZoomStep&) const = default;
  bool IsActualPixels() const { return magnify == 1 && reduce == 1; }
  // Device pixels per picture pixel.
  double Scale() const { return static_cast<double>(magnify) / reduce; }
  // The device pixels that `length` picture pixels take (a part block still takes one).
  int64_t DeviceLength(int length) const;
  // The device pixel that shows picture position `p` (p >= 0).
  int64_t DevicePosition(int p) const;

  // The neighbouring steps: 1, 2, 3, 4, 5, 6, 8, 10, 12, 16, 20, 24, 32, ...
  // both ways, up to magnify 64 and reduce 1024.
  ZoomStep In() const;
  ZoomStep Out() const;
  // The largest step at which a picture fits an area (both in device pixels);
  // the smallest step when none does.
  static ZoomStep Fit(int pictureWidth, int pictureHeight, int64_t areaWidth, int64_t areaHeight);
};

}  // namespace tessalin
