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

// The engine's own results, packed at one bit (what WBMP files and the wizard take).
void BM_FloydSteinbergDitherPacked(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state) benchmark::DoNotOptimize(FloydSteinbergDitherPacked(photo, 128));
}
BENCHMARK(BM_FloydSteinbergDitherPacked)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Three pictures of one size in one pass, as the wizard dithers them.
void BM_FloydSteinbergDitherPackedTogether(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state)
    benchmark::DoNotOptimize(FloydSteinbergDitherPackedTogether({&photo, &photo, &photo}, 128));
}
BENCHMARK(BM_FloydSteinbergDitherPackedTogether)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

void BM_WideKernelDither(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state)
    benchmark::DoNotOptimize(WideKernelDither(photo, 128, static_cast<int>(state.range(0))));
}
BENCHMARK(BM_WideKernelDither)->Arg(3)->Arg(4)->ArgName("kind")->Unit(benchmark::kMillisecond)->UseRealTime();

// Every kind through the one dispatcher, packed, beside Floyd-Steinberg
// (kind 2): the further kinds' goal is at most 1.2 times its time. A strength
// below 100 % or linear light takes the options path.
void BM_DitherByKind(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const DiffusionOptions options{static_cast<int>(state.range(1)), state.range(2) != 0};
  for (auto _ : state)
    benchmark::DoNotOptimize(DitherByKindPacked(photo, static_cast<int>(state.range(0)), 128, options));
}
BENCHMARK(BM_DitherByKind)
    ->ArgsProduct({{2, 3, 4, 6, 7, 8, 9, 10, 11, 12}, {100}, {0}})
    ->ArgsProduct({{2, 4, 6, 8}, {50}, {0, 1}})
    ->ArgNames({"kind", "strength", "linear"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
}  // namespace tessalin
