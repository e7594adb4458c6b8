// Reading headerless raw files: the square guess, the size checks and the four
// row layouts (0 "1bit", 1 "8bit", 2 "16bit", 3 "24bit"). The raw import
// dialog and the command line's --raw both call these.
#pragma once

#include <cstdint>
#include <string>

#include "core/raster_image.h"

namespace tessalin {

struct RawProposal {
  int64_t fileSize = 0;
  int height = 0;  // round(sqrt(size)), 0 for an empty file
  int width = 0;   // size div height
};

// SetRawFile's proposal for the file.
RawProposal ProposeRawSize(const std::string& fileName);
RawProposal ProposeRawSize(int64_t fileSize);

enum class RawCheck {
  Ok,              // image size equals the file size
  Invalid,         // larger than the file, zero or negative: "InValid ImageSize...\rReTry, Please!"
  SmallerThanFile  // ask "ImageSize is smaller than FileSize. Continue?"
};

extern const char* const kRawInvalidSizeMessage;
extern const char* const kRawSmallerConfirmMessage;

// Row size in bytes for the layout index; image size computed in 64 bits.
int64_t RawRowBytes(int layoutIndex, int64_t width);
RawCheck CheckRawSize(int64_t fileSize, int64_t height, int64_t width, int layoutIndex);

// Reads the picture (pf1Bit for layout 0, pf24Bit otherwise). Throws
// TessalinError naming the file when it cannot be read or is too short.
RasterImage ReadRawFile(const std::string& fileName, int height, int width, int layoutIndex);

}  // namespace tessalin
