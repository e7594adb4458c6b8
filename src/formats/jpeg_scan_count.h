// Counting a JPEG stream's scans from its markers, without decoding them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessalin {

// Walks marker segments by their lengths and entropy-coded data to its next
// marker, as a decoder does, so that bytes inside segments and coded data are
// never taken for markers. Fed in pieces of any size; stops at the end of
// the picture.
class JpegScanCounter {
 public:
  void Feed(const uint8_t* data, size_t size);
  int Scans() const { return scans_; }
  bool Ended() const { return state_ == State::kEnded; }

 private:
  enum class State { kBetween, kMarker, kLengthHigh, kLengthLow, kSegment, kCoded, kCodedMarker, kEnded };
  // The byte after 0xFF: a marker code, fill, or (inside coded data) a stuffed zero or restart.
  void OnMarker(uint8_t code, bool inCoded);

  State state_ = State::kBetween;
  bool segmentIsScan_ = false;
  uint32_t remaining_ = 0;
  int scans_ = 0;
};

}  // namespace tessalin
