// The 3 x 3 convolution engine: twelve fixed kernels, eight output channels
// (0 R, 1 G, 2 B, 3 RGB, 4 H, 5 S, 6 I, 7 HSI), one signed bias.
#pragma once

#include "core/raster_image.h"
#include "core/work_buffers.h"

namespace tessalin {

inline constexpr int kConvolveKindCount = 12;
inline constexpr int kOutputChannelCount = 8;

// A prepared source: its size and the bordered working buffers (HSI included).
struct ConvolveSource {
  int width = 0, height = 0;                  // the source's
  int borderedWidth = 0, borderedHeight = 0;  // width + 2, height + 2
  WorkBuffers buffers;
  // Set by PrepareConvolveSourceInPlace: the rows are read from this picture.
  const RasterImage* picture = nullptr;
};

// Records the size and fills the bordered working buffers (border kind 0).
void PrepareConvolveSource(ConvolveSource& prepared, const RasterImage& source);
// The same without the HSI buffer (24 bytes a pixel): ConvolveChannel then
// works the HSI triples out row by row, with the same results.
void PrepareConvolveSource(ConvolveSource& prepared, const RasterImage& source, bool withHsi);

// The same source read in place: for a pf24Bit picture that outlives the
// convolutions, only the size is recorded, and each band reads the picture's
// own rows with their edge pixels repeated, so no bordered copy is made.
// Other layouts are prepared as by PrepareConvolveSource without HSI.
void PrepareConvolveSourceInPlace(ConvolveSource& prepared, const RasterImage& picture);

// A new pf24Bit picture of the source's size; reads the buffers, changes nothing.
RasterImage ConvolveChannel(const ConvolveSource& prepared, int channel, int kind, int bias);

// The bordered copy of border kind 0 (as MakeBorderedRaster makes it), by
// whole rows for a pf24Bit source.
RasterImage MakeConvolveBorder(const RasterImage& source);

// Prepare, one ConvolveChannel and release in one call; a pf24Bit picture is
// read in place (PrepareConvolveSourceInPlace), without working buffers.
RasterImage ConvolvePicture(const RasterImage& picture, int channel, int kind, int bias);

// The plain nine-products-per-pixel loop, one thread, every channel and kind
// alike; ConvolveChannel must give the same bytes.
RasterImage ConvolveChannelDirect(const ConvolveSource& prepared, int channel, int kind, int bias);

void ReleaseWorkBuffers(ConvolveSource& prepared);

// Channel 6 of a kernel with whole weights in whole numbers: the intensity
// byte for T / divisor, T the kernel applied to R + G + B sums (divisor 3, or
// 27 for the ninths of Sharpning4): clamp(clamp(round(T / divisor), 0, 255) + bias, 0, 255).
uint8_t IntensityByteFromSums(long long weightedSum, int divisor, int bias);

// The combo box items and the captions set on selection, by kind.
const char* ConvolveKindName(int kind);     // "Blouring", "Sharpning1", ...
const char* ConvolveKindCaption(int kind);  // "Blouring Convolve", ...

}  // namespace tessalin
