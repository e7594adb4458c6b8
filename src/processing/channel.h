// The channel dialog's two picture operations: the colour correction driven by
// its six track bars, and the one-channel brightness step of its up-downs.
#pragma once

#include <vector>

#include "core/arithmetic.h"
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

}  // namespace tessalin
