// Where computed pictures go: a new document window in the desktop program, a
// file from the command line.
#pragma once

#include <string>

#include "core/raster_image.h"

namespace tessalin {

class ResultSink {
 public:
  virtual ~ResultSink() = default;
  // Takes a copy; the caller keeps (and releases) its raster.
  virtual void CreateResultChild(const std::string& name, const RasterImage& raster) = 0;
};

}  // namespace tessalin
