// Whole-file reading and safe writing. A save never destroys the file it
// replaces: bytes go to a temporary file beside the target (created
// exclusively under an unpredictable name, with the target's permissions),
// which is then renamed over it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/large_buffer.h"

namespace tessalin {

// Reads the whole file; throws TessalinError naming the file when it cannot.
std::vector<uint8_t> ReadWholeFile(const std::string& path);
// The same bytes in memory that is not zero-filled before the read fills it,
// for large files whose contents are copied out once.
LargeBuffer ReadWholeFileBuffer(const std::string& path);

// Up to `count` bytes from `offset` (fewer where the file ends), so that a
// reader can check a header before it reads a whole file.
std::vector<uint8_t> ReadFilePart(const std::string& path, int64_t offset, size_t count);

// The size of a file in bytes (64-bit); throws when it cannot be read.
int64_t FileSizeOf(const std::string& path);

// Writes `bytes` to `path` through a temporary file and a rename. On any
// failure the old file is untouched, the temporary file is removed and a
// TessalinError naming `path` is thrown.
void WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);

// The same for bytes made piece by piece, so that no file-sized buffer is
// needed: `nextPiece` fills the (cleared) buffer it is given and returns false
// once nothing is left.
void WriteFileAtomicallyInPieces(const std::string& path, const std::function<bool(std::vector<uint8_t>&)>& nextPiece);

// The same for writers that produce a file themselves (libraries that want a
// path): `writeTo` fills the temporary path it is given.
void WriteFileAtomicallyWith(const std::string& path, const std::function<void(const std::string&)>& writeTo);

// The lower-cased part of the name from its last "." on ("" without a dot).
std::string LowerExtension(const std::string& fileName);

}  // namespace tessalin
