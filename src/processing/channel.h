// The channel dialog's two picture operations: the colour correction driven by
// its six track bars, and the one-channel brightness step of its up-downs.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "core/arithmetic.h"
#include "core/colour_model.h"
#include "core/raster_image.h"

namespace tessalin {

// Amounts added to every pixel: R, G, B and I in bytes, H in degrees, S as a
// fraction (-1 .. 1).
struct ChannelOffsets {
  int r = 0, g = 0, b = 0;
  int h = 0;
  double s = 0;
  int i = 0;
  bool operator==(const ChannelOffsets&) const = default;
};

// Adds the R, G, B offsets (clamped bytes), converts to HSI, adds the H, S, I
// offsets (clamped to 0..360, 0..1, 0..255, hue not wrapped) and converts back.
// A new pf24Bit picture of the source's size; the source is read as 24 bits.
RasterImage ApplyChannelCorrection(const RasterImage& source, const ChannelOffsets& offsets);

// The corrected picture together with its HSI composite (what HSIModelImage
// kind 3 gives for it), made in one pass: the dialog shows both on every move.
struct ChannelCorrection {
  RasterImage corrected;
  RasterImage composite;
};
ChannelCorrection ApplyChannelCorrectionWithComposite(const RasterImage& source,
                                                      const ChannelOffsets& offsets);

// Keeps what a correction worked out for the hue offset (the cosines of every
// hue met so far), so that the next call with the same H offset, as on every
// move of another bar, only computes what is new. One per dialog; the free
// functions above share one for the process. Calls are serialised.
class ChannelCorrector {
 public:
  // With `extendedOnly` every pixel takes the extended-precision expressions
  // (the slower way the quick one is checked against).
  explicit ChannelCorrector(bool extendedOnly = false);
  ~ChannelCorrector();
  ChannelCorrector(const ChannelCorrector&) = delete;
  ChannelCorrector& operator=(const ChannelCorrector&) = delete;

  // Without `withComposite` the composite stays empty.
  ChannelCorrection Apply(const RasterImage& source, const ChannelOffsets& offsets, bool withComposite);

  // Hues whose cosines were computed so far, and pixels whose bytes came too
  // close to a rounding step for the double-precision estimate (for tests).
  int64_t HueTermsComputed() const { return computed_; }
  int64_t ExtendedFallbacks() const { return fallbacks_; }

  struct HueTerms;
  struct QuickTerms;

 private:
  std::mutex mutex_;
  bool extendedOnly_;
  std::unique_ptr<HueTerms[]> terms_;
  std::unique_ptr<QuickTerms[]> quick_;
  std::unique_ptr<int32_t[]> termsFor_;  // the H offset each entry was made for
  int64_t computed_ = 0;
  int64_t fallbacks_ = 0;
};

// The pixel rule of ApplyChannelCorrection, kept as the reference for the fast path.
BgrTriple CorrectChannelPixel(uint8_t r, uint8_t g, uint8_t b, const ChannelOffsets& offsets);

// The pixels of `picture` at the given columns and rows, as a new
// columns.size() x rows.size() pf24Bit picture (for previews of per-pixel results).
RasterImage SamplePixels(const RasterImage& picture, const std::vector<int>& columns,
                         const std::vector<int>& rows);

// A grey picture whose value is clamp(selected byte + offset, 0, 255), where
// `byteIndex` 0 selects the red byte (hue in an HSI composite), 1 green
// (saturation), 2 blue (intensity).
RasterImage ChannelThresholdImage(const RasterImage& picture, int byteIndex, int offset);

// The HSI triple of one colour from those tables (RGBToHSI's values).
HSIColor ChannelTableHSI(uint8_t r, uint8_t g, uint8_t b);

// The composite bytes (blue round(I), green round(S * 255), red round(H / 360 * 255))
// of one colour, from tables keyed by the sum, the minimum and the differences.
BgrTriple CompositeBytes(uint8_t r, uint8_t g, uint8_t b);

// The six single-channel pictures of the dialog's distribution in one pass:
// grey R, G, B (RGBModelImage kinds 0..2), then grey H, S, I (HSIModelImage
// kinds 0..2). All empty for a picture without image.
std::array<RasterImage, 6> ChannelDistributionImages(const RasterImage& picture);

// HSIModelImage kind 3 by the same tables.
RasterImage ChannelCompositeImage(const RasterImage& picture);

}  // namespace tessalin
