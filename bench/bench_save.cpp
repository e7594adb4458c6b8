// Saving the 4000 x 3000 photo as BMP (what `tessalin-cli convert x.bmp y.bmp`
// does after loading): encoding alone, the old device-raster copy, and the
// whole save with and without the fsync that protects the user's file.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench_photo.h"
#include "core/bmp_codec.h"
#include "core/file_io.h"

namespace tessalin {
namespace {

std::string ScratchPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/tessalin_bench_" + std::to_string(::getpid()) + "_" + name;
}

// How the picture was saved before the direct encoder: a device raster first.
std::vector<uint8_t> EncodeThroughDeviceCopy(const RasterImage& picture) {
  RasterImage device = NewRaster(PixelFormat::pfDevice, picture.Height(), picture.Width());
  const Rect whole{0, 0, picture.Width(), picture.Height()};
  device.CopyRect(whole, picture, whole);
  return EncodeBmp(device);
}

void BM_BmpEncodeThroughDeviceCopy(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state) benchmark::DoNotOptimize(EncodeThroughDeviceCopy(photo).data());
}
BENCHMARK(BM_BmpEncodeThroughDeviceCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BmpEncodeDirect(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state) benchmark::DoNotOptimize(EncodeBmpAsDevice(photo).data());
}
BENCHMARK(BM_BmpEncodeDirect)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole save: temporary file, write, fsync, rename.
void BM_BmpSaveDirectWithFsync(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const std::string path = ScratchPath("save.bmp");
  for (auto _ : state) SaveBmpFileAsDevice(photo, path);
  ::unlink(path.c_str());
}
BENCHMARK(BM_BmpSaveDirectWithFsync)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same bytes written without the fsync, to show what the fsync costs.
void BM_BmpSaveDirectNoFsync(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const std::string path = ScratchPath("nosync.bmp");
  for (auto _ : state) {
    const std::vector<uint8_t> bytes = EncodeBmpAsDevice(photo);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
      state.SkipWithError("cannot open the scratch file");
      break;
    }
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::close(fd);
  }
  ::unlink(path.c_str());
}
BENCHMARK(BM_BmpSaveDirectNoFsync)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tessalin
