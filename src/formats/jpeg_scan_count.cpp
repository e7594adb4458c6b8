#include "formats/jpeg_scan_count.h"

#include <algorithm>
#include <cstring>

namespace tessalin {

namespace {

constexpr uint8_t kStartOfScan = 0xDA, kEndOfImage = 0xD9;

// Markers that stand alone, without a length: SOI, EOI, RST0 to RST7 and TEM.
bool HasNoLength(uint8_t code) { return code == 0x01 || (code >= 0xD0 && code <= 0xD9); }

}  // namespace

void JpegScanCounter::OnMarker(uint8_t code, bool inCoded) {
  if (code == 0xFF) return;  // fill before a marker
  if (inCoded && (code == 0x00 || (code >= 0xD0 && code <= 0xD7))) {
    state_ = State::kCoded;  // a stuffed byte or a restart inside the scan
    return;
  }
  if (code == kEndOfImage) {
    state_ = State::kEnded;
  } else if (HasNoLength(code) || code == 0x00) {
    state_ = State::kBetween;
  } else {
    segmentIsScan_ = code == kStartOfScan;
    if (segmentIsScan_) ++scans_;
    state_ = State::kLengthHigh;
  }
}

void JpegScanCounter::Feed(const uint8_t* data, size_t size) {
  const uint8_t* p = data;
  const uint8_t* const end = data + size;
  while (p < end && state_ != State::kEnded) {
    switch (state_) {
      case State::kBetween:  // a decoder skips stray bytes up to the next 0xFF
      case State::kCoded: {
        const void* ff = std::memchr(p, 0xFF, static_cast<size_t>(end - p));
        if (!ff) return;
        p = static_cast<const uint8_t*>(ff) + 1;
        state_ = state_ == State::kCoded ? State::kCodedMarker : State::kMarker;
        break;
      }
      case State::kMarker:
      case State::kCodedMarker:
        OnMarker(*p++, state_ == State::kCodedMarker);
        break;
      case State::kLengthHigh:
        remaining_ = static_cast<uint32_t>(*p++) << 8;
        state_ = State::kLengthLow;
        break;
      case State::kLengthLow:
        remaining_ |= *p++;
        // The length counts its own two bytes.
        remaining_ = remaining_ >= 2 ? remaining_ - 2 : 0;
        state_ = State::kSegment;
        break;
      case State::kSegment: {
        const size_t skip = std::min<size_t>(remaining_, static_cast<size_t>(end - p));
        p += skip;
        remaining_ -= static_cast<uint32_t>(skip);
        if (remaining_ == 0) state_ = segmentIsScan_ ? State::kCoded : State::kBetween;
        break;
      }
      case State::kEnded:
        break;
    }
  }
}

}  // namespace tessalin
