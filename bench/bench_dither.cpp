// Dithering speed on the 4000 x 3000 photo: every engine, all four channels.
#include <benchmark/benchmark.h>

#include "bench_photo.h"
#include "processing/dither.h"

namespace tessalin {
namespace {

void BM_OrderedDither(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state) benchmark::DoNotOptimize(OrderedDither(photo, static_cast<int>(state.range(0))));
}
BENCHMARK(BM_OrderedDither)->Arg(0)->Arg(1)->ArgName("kind")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CustomThresholdDither(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state) benchmark::DoNotOptimize(CustomThresholdDither(photo, 128));
}
BENCHMARK(BM_CustomThresholdDither)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FloydSteinbergDither(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state) benchmark::DoNotOptimize(FloydSteinbergDither(photo, 128));
}
BENCHMARK(BM_FloydSteinbergDither)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WideKernelDither(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state)
    benchmark::DoNotOptimize(WideKernelDither(photo, 128, static_cast<int>(state.range(0))));
}
BENCHMARK(BM_WideKernelDither)->Arg(3)->Arg(4)->ArgName("kind")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tessalin
