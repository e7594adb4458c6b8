// libpng's error and warning handlers, shared by the PNG reader and writer.
// libpng's fatal errors must not return: the message is kept and libpng jumps
// back to the caller's setjmp, which then throws a message naming the file.
#pragma once

#include <png.h>

#include <cstdio>

namespace tessalin::png_support {

struct ErrorState {
  char message[256] = "";
  bool writeFailed = false;  // the writer's own output failed, not libpng
};

inline void OnError(png_structp png, png_const_charp message) {
  auto* state = static_cast<ErrorState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message);
  png_longjmp(png, 1);
}

// Warnings (an unknown chunk, a gamma it does not use) change nothing we read.
inline void OnWarning(png_structp, png_const_charp) {}

}  // namespace tessalin::png_support
