// Raster core speed on the 4000 x 3000 photo: working buffers, the model
// operations, the conversion to 1 bit and the BMP codec.
#include <benchmark/benchmark.h>

#include "bench_photo.h"
#include "core/bmp_codec.h"
#include "core/bordered_copy.h"
#include "core/pixel_ops.h"
#include "core/work_buffers.h"

namespace tessalin {
namespace {

void BM_LoadWorkBuffers(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const bool withHsi = state.range(0) != 0;
  for (auto _ : state) {
    WorkBuffers buffers;
    LoadWorkBuffers(buffers, photo, withHsi);
    benchmark::DoNotOptimize(buffers.Rgb());
    ReleaseWorkBuffers(buffers);
  }
}
BENCHMARK(BM_LoadWorkBuffers)->Arg(0)->Arg(1)->ArgName("hsi")->Unit(benchmark::kMillisecond);

// The straightforward single-thread HSI fill, for comparison.
void BM_FillHsiReference(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  WorkBuffers buffers;
  LoadWorkBuffers(buffers, photo, false);
  const size_t n = static_cast<size_t>(photo.Width()) * photo.Height();
  std::vector<HSIColor> hsi(n);
  for (auto _ : state) {
    FillHsiReference(buffers.Rgb(), n, hsi.data());
    benchmark::DoNotOptimize(hsi.data());
  }
}
BENCHMARK(BM_FillHsiReference)->Unit(benchmark::kMillisecond);

void BM_BuildBorderedCopy(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const int kind = static_cast<int>(state.range(0));
  for (auto _ : state) {
    WorkBuffers buffers;
    BuildBorderedCopy(buffers, photo, kind);
    benchmark::DoNotOptimize(buffers.Rgb());
  }
}
BENCHMARK(BM_BuildBorderedCopy)->Arg(0)->Arg(1)->ArgName("kind")->Unit(benchmark::kMillisecond);

void BM_EtcModelImage(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const int kind = static_cast<int>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(EtcModelImage(kind, photo));
}
BENCHMARK(BM_EtcModelImage)->Arg(0)->Arg(1)->Arg(2)->ArgName("kind")->Unit(benchmark::kMillisecond);

void BM_HSIModelImage(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state) benchmark::DoNotOptimize(HSIModelImage(3, photo));
}
BENCHMARK(BM_HSIModelImage)->Unit(benchmark::kMillisecond);

void BM_MirrorImage(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const int kind = static_cast<int>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(MirrorImage(kind, photo));
}
BENCHMARK(BM_MirrorImage)->Arg(0)->Arg(1)->ArgName("kind")->Unit(benchmark::kMillisecond);

void BM_ConvertToOneBit(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state) {
    state.PauseTiming();
    RasterImage copy;
    copy.Assign(photo);
    state.ResumeTiming();
    ConvertPixelFormat(1, copy);
    benchmark::DoNotOptimize(copy.Row(0));
  }
}
BENCHMARK(BM_ConvertToOneBit)->Unit(benchmark::kMillisecond);

RasterImage PhotoIn(PixelFormat format) {
  RasterImage copy;
  copy.Assign(bench::Photo4000x3000());
  ConvertPixelFormat(static_cast<int>(format), copy);
  return copy;
}

void BM_EncodeBmp(benchmark::State& state) {
  const RasterImage picture = PhotoIn(static_cast<PixelFormat>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(EncodeBmp(picture));
}
BENCHMARK(BM_EncodeBmp)->Arg(1)->Arg(3)->Arg(6)->Arg(7)->ArgName("format")->Unit(benchmark::kMillisecond);

void BM_DecodeBmp(benchmark::State& state) {
  const std::vector<uint8_t> file = EncodeBmp(PhotoIn(static_cast<PixelFormat>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(DecodeBmp(file, "photo.bmp"));
}
BENCHMARK(BM_DecodeBmp)->Arg(1)->Arg(3)->Arg(6)->Arg(7)->ArgName("format")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessalin
