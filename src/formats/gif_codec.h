// GIF through giflib: the whole file decoded (logical screen, every frame with
// its own raster, colour table and position), and one-frame encoding.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/raster_image.h"

namespace tessalin {

struct GifFrame {
  RasterImage raster;  // the frame's own size; pf8Bit with the frame's (or the global) colour table
  int left = 0, top = 0;
  int transparentIndex = -1;  // from the graphics control block, -1 for none
  int disposal = 0;           // 0 unspecified, 1 keep, 2 restore background, 3 restore previous
  int delayCentiseconds = 0;
};

struct DecodedGif {
  int screenWidth = 0, screenHeight = 0;
  std::vector<GifFrame> frames;
};

// Throws TessalinError naming the file and what is wrong with it for anything
// giflib or we refuse: no frame, a frame of zero width or height, bad LZW codes,
// a truncated file, a picture above the pixel limit. Frames reaching past the
// logical screen keep their own raster and position and are clipped when
// composed. A file is read as it is decoded, so sizes are checked first.
// `onFrame`, when given, hears after each decoded frame how far through the
// file the decoder is, in percent.
using GifFrameProgress = std::function<void(int percent)>;
DecodedGif DecodeGifFile(const std::string& path, const GifFrameProgress& onFrame = {});
DecodedGif DecodeGif(std::span<const uint8_t> bytes, const std::string& nameForErrors,
                     const GifFrameProgress& onFrame = {});

// One picture: frame 0's own raster when it is exactly as large as the logical
// screen, else the logical screen (white, pf24Bit) with frame 0 drawn onto it.
RasterImage GifToRaster(const DecodedGif& gif);

// The logical screen (white, pf24Bit) with frames 0 .. upToFrame composed,
// honouring transparency and disposal (the browser's preview and animation).
RasterImage ComposeGifScreen(const DecodedGif& gif, int upToFrame);

// One frame; 1, 4 and 8-bit pictures keep their colour table, others are
// mapped to the 216-colour palette ((c + 3) div 51) x 51 first.
std::vector<uint8_t> EncodeGif(const RasterImage& picture, const std::string& nameForErrors);
void SaveGifFile(const RasterImage& picture, const std::string& path);  // temporary file, then rename

}  // namespace tessalin
