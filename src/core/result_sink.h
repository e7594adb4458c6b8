// Where computed pictures go: a new document window in the desktop program, a
// file from the command line.
#pragma once

#include <string>

#include "core/black_white.h"
#include "core/raster_image.h"

namespace tessalin {

class ResultSink {
 public:
  virtual ~ResultSink() = default;
  // Takes a copy; the caller keeps (and releases) its raster.
  virtual void CreateResultChild(const std::string& name, const RasterImage& raster) = 0;
  // A black-and-white result held packed (core/black_white.h) that stands for
  // its 24-bit form: a window shows that form, so by default it is widened
  // here, just before it is needed. A sink that writes files which come out
  // alike from the packed raster may take it as it is.
  virtual void CreateBlackWhiteResultChild(const std::string& name, const RasterImage& packed) {
    CreateResultChild(name, ExpandBlackWhite(packed));
  }
};

}  // namespace tessalin
