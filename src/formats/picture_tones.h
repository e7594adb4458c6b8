// What a picture's pixels hold, for writers that store black-and-white or grey
// pictures in a smaller form without losing a pixel.
#pragma once

#include <cstdint>

#include "core/raster_image.h"

namespace tessalin {

enum class Tones {
  BlackAndWhite,  // every pixel (0, 0, 0) or (255, 255, 255)
  Grey,           // every pixel has red = green = blue
  Colour,
};

Tones PictureTones(const RasterImage& picture);

// Row y of a black-and-white picture as packed bits, most significant first,
// 1 white (the pf1Bit layout); `bgr` is scratch space of 3 x width bytes.
void ReadRowWhiteBits(const RasterImage& picture, int y, uint8_t* bgr, uint8_t* bits);

}  // namespace tessalin
