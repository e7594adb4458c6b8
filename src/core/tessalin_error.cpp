#include "core/tessalin_error.h"

namespace tessalin {

void ThrowFileError(const std::string& fileName, const std::string& what) {
  throw TessalinError(fileName + ": " + what);
}

}  // namespace tessalin
