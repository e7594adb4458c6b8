// GIF through giflib: the whole file decoded (logical screen, every frame with
// its own raster, colour table and position), and one-frame encoding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/raster_image.h"

namespace tessalin {

struct GifFrame {
  RasterImage raster;  // the frame's own size; pf8Bit with the frame's (or the global) colour table
  int left = 0, top = 0;
};

struct DecodedGif {
  int screenWidth = 0, screenHeight = 0;
  std::vector<GifFrame> frames;
};

// Throws TessalinError naming the file for anything giflib or we refuse.
DecodedGif DecodeGifFile(const std::string& path);

// One picture: frame 0's own raster when it covers the logical screen, else the
// logical screen with the frames drawn onto it.
RasterImage GifToRaster(const DecodedGif& gif);

// The logical screen with frames 0 .. upToFrame composed (the browser's preview and animation).
RasterImage ComposeGifScreen(const DecodedGif& gif, int upToFrame);

// One frame; 1, 4 and 8-bit pictures keep their colour table, others are
// mapped to the 216-colour palette ((c + 3) div 51) x 51 first.
void SaveGifFile(const RasterImage& picture, const std::string& path);

}  // namespace tessalin
