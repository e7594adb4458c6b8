#include "formats/black_white_save.h"

#include "core/black_white.h"
#include "core/file_io.h"

namespace tessalin {

bool SavesPackedAlike(const std::string& fileName) {
  const std::string ext = LowerExtension(fileName);
  return ext == ".wbmp" || ext == ".bmp" || ext == ".raw" || ext == ".png" || ext == ".pbm" || ext == ".pnm" ||
         ext == ".xbm";
}

bool SaveBlackWhiteResult(const std::string& fileName, const RasterImage& packed, FileContext& context) {
  if (SavesPackedAlike(fileName) || !IsPackedBlackWhite(packed)) return SaveImageFile(fileName, packed, context);
  return SaveImageFile(fileName, ExpandBlackWhite(packed), context);
}

}  // namespace tessalin
