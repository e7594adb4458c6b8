// Convolution, edge and WBMP writer speed on the 4000 x 3000 photo.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench_photo.h"
#include "formats/wbmp_codec.h"
#include "processing/convolve.h"
#include "processing/edge.h"

namespace tessalin {
namespace {

void BM_PrepareConvolveSource(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state) {
    ConvolveSource source;
    PrepareConvolveSource(source, photo, state.range(0) != 0);
    benchmark::DoNotOptimize(source.buffers.Rgb());
    ReleaseWorkBuffers(source);
  }
}
BENCHMARK(BM_PrepareConvolveSource)->Arg(0)->Arg(1)->ArgName("hsi")->Unit(benchmark::kMillisecond);

// One channel of one kind on a prepared source.
void BM_ConvolveChannel(benchmark::State& state) {
  static ConvolveSource source;
  if (source.buffers.Empty()) PrepareConvolveSource(source, bench::Photo4000x3000());
  const int channel = static_cast<int>(state.range(0)), kind = static_cast<int>(state.range(1));
  for (auto _ : state) benchmark::DoNotOptimize(ConvolveChannel(source, channel, kind, 0));
}
BENCHMARK(BM_ConvolveChannel)
    ->ArgsProduct({{6}, {0, 2, 4, 9}})
    ->ArgsProduct({{3}, {0, 2, 4, 9}})
    ->ArgsProduct({{4, 5, 7}, {2}})
    ->ArgNames({"channel", "kind"})
    ->Unit(benchmark::kMillisecond);

// The command line's route: straight from the picture, no working buffers.
void BM_ConvolvePicture(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const int channel = static_cast<int>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(ConvolvePicture(photo, channel, 2, 0));
}
BENCHMARK(BM_ConvolvePicture)->Arg(3)->Arg(6)->ArgName("channel")->Unit(benchmark::kMillisecond);

// What the convolution dialog's Apply does: prepare, the eight channels, release.
void BM_ConvolveAllChannels(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const int kind = static_cast<int>(state.range(0));
  for (auto _ : state) {
    ConvolveSource source;
    PrepareConvolveSource(source, photo);
    for (int channel = 0; channel < 8; ++channel) benchmark::DoNotOptimize(ConvolveChannel(source, channel, kind, 0));
    ReleaseWorkBuffers(source);
  }
}
BENCHMARK(BM_ConvolveAllChannels)->Arg(2)->Arg(0)->ArgName("kind")->Unit(benchmark::kMillisecond);

void BM_EdgeAllChannels(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const int kind = static_cast<int>(state.range(0));
  for (auto _ : state) {
    EdgeSource source;
    PrepareEdgeSource(source, photo);
    for (int channel = 0; channel < 8; ++channel) benchmark::DoNotOptimize(EdgeChannel(source, kind, channel, 0));
    ReleaseWorkBuffers(source);
  }
}
BENCHMARK(BM_EdgeAllChannels)->Arg(0)->Arg(1)->ArgName("kind")->Unit(benchmark::kMillisecond);

void BM_EncodeWbmp(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state) benchmark::DoNotOptimize(EncodeWbmp(photo, 64));
}
BENCHMARK(BM_EncodeWbmp)->Unit(benchmark::kMillisecond);

void BM_WriteWbmp(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const std::string path = "/tmp/tessalin_bench_" + std::to_string(::getpid()) + ".wbmp";
  for (auto _ : state) WriteWbmp(photo, path, 64);
  std::remove(path.c_str());
}
BENCHMARK(BM_WriteWbmp)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessalin
