#include "core/large_buffer.h"

#include <sys/mman.h>

#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace tessalin {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// What a reuse scope keeps at most: a few pictures' worth, so that a
// command's peak stays near what it holds at once.
constexpr size_t kMaxKeptBlocks = 6;
constexpr size_t kMaxKeptBytes = size_t{768} << 20;

struct KeptBlock {
  uint8_t* data;
  size_t capacity;
};

struct ReusePool {
  std::mutex mutex;
  int scopes = 0;
  std::vector<KeptBlock> kept;
  size_t keptBytes = 0;
};

// Never destroyed: buffers may be released during static destruction.
ReusePool& Pool() {
  static ReusePool* const pool = new ReusePool;
  return *pool;
}

// A 2 MiB-aligned mapping of `capacity` bytes (a multiple of 2 MiB), with
// huge pages asked for: the kernel then faults 2 MiB at a time.
uint8_t* MapAligned(size_t capacity) {
  const size_t length = capacity + kHugePage;
  void* raw = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
  if (aligned > start) ::munmap(raw, aligned - start);
  const uintptr_t end = start + length, used = aligned + capacity;
  if (end > used) ::munmap(reinterpret_cast<void*>(used), end - used);
  auto* data = reinterpret_cast<uint8_t*>(aligned);
  // Only advice: without transparent huge pages the mapping works as it is.
  ::madvise(data, capacity, MADV_HUGEPAGE);
  return data;
}

// The smallest kept block that holds `capacity`, taken out of the pool.
uint8_t* TakeKept(size_t capacity, size_t& taken) {
  ReusePool& pool = Pool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  size_t best = pool.kept.size();
  for (size_t i = 0; i < pool.kept.size(); ++i)
    if (pool.kept[i].capacity >= capacity && (best == pool.kept.size() || pool.kept[i].capacity < pool.kept[best].capacity))
      best = i;
  if (best == pool.kept.size()) return nullptr;
  const KeptBlock block = pool.kept[best];
  pool.kept.erase(pool.kept.begin() + static_cast<std::ptrdiff_t>(best));
  pool.keptBytes -= block.capacity;
  taken = block.capacity;
  return block.data;
}

void GiveBack(uint8_t* data, size_t capacity) {
  {
    ReusePool& pool = Pool();
    std::lock_guard<std::mutex> lock(pool.mutex);
    if (pool.scopes > 0 && pool.kept.size() < kMaxKeptBlocks && pool.keptBytes + capacity <= kMaxKeptBytes) {
      pool.kept.push_back({data, capacity});
      pool.keptBytes += capacity;
      return;
    }
  }
  ::munmap(data, capacity);
}

}  // namespace

LargeBuffer::LargeBuffer(size_t bytes) {
  if (bytes == 0) return;
  if (bytes < kLargeBufferMinimum) {
    data_ = static_cast<uint8_t*>(::operator new(bytes));
  } else {
    const size_t capacity = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    size_t taken = 0;
    data_ = TakeKept(capacity, taken);
    capacity_ = data_ ? taken : capacity;
    if (!data_) data_ = MapAligned(capacity);
  }
  size_ = bytes;
}

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

void LargeBuffer::Release() {
  if (data_) {
    if (capacity_) GiveBack(data_, capacity_);
    else ::operator delete(data_);
  }
  data_ = nullptr;
  size_ = capacity_ = 0;
}

LargeBufferReuse::LargeBufferReuse() {
  ReusePool& pool = Pool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  ++pool.scopes;
}

LargeBufferReuse::~LargeBufferReuse() {
  std::vector<KeptBlock> blocks;
  {
    ReusePool& pool = Pool();
    std::lock_guard<std::mutex> lock(pool.mutex);
    if (--pool.scopes > 0) return;
    blocks.swap(pool.kept);
    pool.keptBytes = 0;
  }
  for (const KeptBlock& b : blocks) ::munmap(b.data, b.capacity);
}

}  // namespace tessalin
