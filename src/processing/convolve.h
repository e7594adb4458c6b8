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
};

// Records the size and fills the bordered working buffers (border kind 0).
void PrepareConvolveSource(ConvolveSource& prepared, const RasterImage& source);

// A new pf24Bit picture of the source's size; reads the buffers, changes nothing.
RasterImage ConvolveChannel(const ConvolveSource& prepared, int channel, int kind, int bias);

void ReleaseWorkBuffers(ConvolveSource& prepared);

// The combo box items and the captions set on selection, by kind.
const char* ConvolveKindName(int kind);     // "Blouring", "Sharpning1", ...
const char* ConvolveKindCaption(int kind);  // "Blouring Convolve", ...

}  // namespace tessalin
