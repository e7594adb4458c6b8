// Memory for pictures, working buffers and file contents: uninitialised, since
// whoever asks for it writes it whole. Fresh pages are the dear part on these
// machines (a 4 KiB page fault costs about 13 µs), so large blocks are 2 MiB
// aligned mappings that the kernel may back with huge pages, and while a
// LargeBufferReuse scope is open, blocks given back serve the next buffers of
// the command instead of being faulted in again.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessalin {

class LargeBuffer {
 public:
  LargeBuffer() = default;
  // `bytes` uninitialised bytes; throws std::bad_alloc when there is no room.
  explicit LargeBuffer(size_t bytes);
  ~LargeBuffer() { Release(); }
  LargeBuffer(LargeBuffer&& other) noexcept;
  LargeBuffer& operator=(LargeBuffer&& other) noexcept;
  LargeBuffer(const LargeBuffer&) = delete;
  LargeBuffer& operator=(const LargeBuffer&) = delete;

  uint8_t* Data() { return data_; }
  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }
  // Keeps only the first `bytes` (no more than Size()); the memory stays.
  void Shrink(size_t bytes) { size_ = bytes < size_ ? bytes : size_; }

  // Back to empty; the block goes back to the open reuse scope, if any.
  void Release();

 private:
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;  // a mapping's whole length; 0 for a small heap block
};

// While one of these lives (they nest), released large blocks are kept for
// reuse; when the outermost one ends they are returned to the system. A
// command that makes and drops several big buffers opens one around its work.
class LargeBufferReuse {
 public:
  LargeBufferReuse();
  ~LargeBufferReuse();
  LargeBufferReuse(const LargeBufferReuse&) = delete;
  LargeBufferReuse& operator=(const LargeBufferReuse&) = delete;
};

// Buffers from this size up are mappings of their own; smaller ones come
// from the heap, whose allocator keeps and reuses blocks below this size by
// itself (a dialog recomputing on a 1000 x 1000 picture gets its buffers back
// without fresh pages), and maps anything larger afresh every time anyway.
inline constexpr size_t kLargeBufferMinimum = size_t{32} << 20;

}  // namespace tessalin
