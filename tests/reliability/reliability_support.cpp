#include "reliability/reliability_support.h"

#include <cstdlib>
#include <ctime>
#include <new>

#include "core/file_io.h"
#include "core/limits.h"
#include "core/tessalin_error.h"
#include "formats/formats_fixtures.h"
#include "formats/raw_import.h"

namespace {

std::atomic<size_t> largestAllocation{0};

void* Allocate(size_t size) {
  size_t seen = largestAllocation.load(std::memory_order_relaxed);
  while (size > seen && !largestAllocation.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace

// Replaced for the whole test program, so that every raster and buffer the
// readers allocate is measured.
void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace tessalin::test {

void ResetLargestAllocation() { largestAllocation.store(0); }
size_t LargestAllocation() { return largestAllocation.load(); }

double LoadBudgetSeconds() {
  // A guard against hangs, not a benchmark: a tiny file may declare a picture
  // near the pixel limit, whose 600 MB of fresh pages alone cost seconds of
  // system time on a busy virtual machine.
#if defined(__SANITIZE_ADDRESS__)
  return 30.0;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return 30.0;
#else
  return 8.0;
#endif
#else
  return 8.0;
#endif
}

LoadOutcome LoadDamaged(const std::string& path, const std::vector<uint8_t>& bytes, int rawWidth, int rawHeight,
                        int rawLayout, bool wizardOpen) {
  WriteBytes(path, bytes);
  FileHarness h;
  h.state.WizardOpenFlag = wizardOpen;
  h.prompts.rawAnswer = [&](const std::string& name, RasterImage& result) {
    if (CheckRawSize(FileSizeOf(name), rawHeight, rawWidth, rawLayout) == RawCheck::Invalid) {
      h.prompts.ShowMessage(kRawInvalidSizeMessage);  // as the raw import dialog does
      return false;
    }
    result = ReadRawFile(name, rawHeight, rawWidth, rawLayout);
    return true;
  };
  LoadOutcome out;
  ResetLargestAllocation();
  // CPU time of the whole process (every thread): the work done, not the wait on a shared machine.
  auto cpuSeconds = [] {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
  };
  const double start = cpuSeconds();
  try {
    RasterImage picture = LoadImageFile(path, h.context);
    if (picture.HasImage()) {
      out.picture = true;
      out.width = picture.Width();
      out.height = picture.Height();
      if (static_cast<int64_t>(out.width) * out.height > kMaxPixels) out.fault = "a picture above the pixel limit";
      // Every row must be there: a short buffer shows up under AddressSanitizer.
      volatile uint8_t sink = 0;
      for (int y = 0; y < picture.Height(); ++y) sink = sink ^ picture.Row(y)[0] ^ picture.Row(y)[picture.RowBytes() - 1];
      (void)sink;
    }
    if (!h.prompts.messages.empty()) out.message = h.prompts.messages.back();
  } catch (const TessalinError& e) {
    out.threw = true;
    out.message = e.what();
    if (out.message.find(path) == std::string::npos) out.fault = "the error does not name the file: " + out.message;
    // A reader's own fault, caught at the boundary, is still a fault.
    for (const char* internal : {"std::", "internal error"})
      if (out.message.find(internal) != std::string::npos) out.fault = "an internal error: " + out.message;
  } catch (const std::bad_alloc&) {
    out.fault = "out of memory escaped as std::bad_alloc";
  } catch (const std::exception& e) {
    out.fault = std::string("an error of another type: ") + e.what();
  }
  out.seconds = cpuSeconds() - start;
  out.largestAllocation = LargestAllocation();
  if (out.fault.empty() && out.seconds > LoadBudgetSeconds())
    out.fault = "took " + std::to_string(out.seconds) + " s of processor time";
  // Nothing may ask for more than the largest allowed picture at 4 bytes a pixel, plus slack.
  if (out.fault.empty() && out.largestAllocation > static_cast<size_t>(4 * kMaxPixels + (64 << 20)))
    out.fault = "allocated " + std::to_string(out.largestAllocation) + " bytes at once";
  return out;
}

}  // namespace tessalin::test
