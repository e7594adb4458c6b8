// The one exception type of the engine: a clear, human message naming the
// file and what went wrong. Callers catch it at the command boundary.
#pragma once

#include <stdexcept>
#include <string>

namespace tessalin {

class TessalinError : public std::runtime_error {
 public:
  explicit TessalinError(const std::string& message) : std::runtime_error(message) {}
};

// "<file>: <what>", the usual shape of a file error.
[[noreturn]] void ThrowFileError(const std::string& fileName, const std::string& what);

}  // namespace tessalin
