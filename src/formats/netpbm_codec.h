// Netpbm: PBM, PGM and PPM (raw and plain) and PAM, maxval 1 to 65535.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/raster_image.h"

namespace tessalin {

enum class NetpbmKind { Pbm, Pgm, Ppm, Pnm, Pam };

// ".pbm", ".pgm", ".ppm", ".pnm", ".pam" (lower-cased); nothing for others.
std::optional<NetpbmKind> NetpbmKindOf(const std::string& extension);

// Any of the formats, told apart by the magic number whatever the extension:
// PBM as a 1-bit raster with the black-and-white table, PGM as 8-bit grey with
// a grey table, PPM and PAM as pf24Bit (PAM's alpha composited over white).
// Samples are rounded to 8 bits. Sizes are checked against the pixel limit and
// the file's length before anything is allocated; a damaged file throws
// TessalinError naming `nameForErrors`.
RasterImage DecodeNetpbm(std::span<const uint8_t> bytes, const std::string& nameForErrors);
RasterImage LoadNetpbmFile(const std::string& path);

// Written raw, maxval 255: Pbm as P4, a picture that is not black and white
// first reduced by the WBMP writer's recipe at `sharedBias`; Pgm as P5, colours
// by the raw writer's grey; Ppm as P6; Pnm as the smallest of the three that
// keeps every pixel; Pam as the same choice, tuple type BLACKANDWHITE,
// GRAYSCALE or RGB. Through a temporary file, then a rename.
void SaveNetpbmFile(const RasterImage& picture, const std::string& path, NetpbmKind kind, int sharedBias);

}  // namespace tessalin
