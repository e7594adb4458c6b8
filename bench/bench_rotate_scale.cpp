// Rotation and scaling speed on the 4000 x 3000 photo.
#include <benchmark/benchmark.h>

#include "bench_photo.h"
#include "processing/rotate.h"
#include "processing/scale.h"

namespace tessalin {
namespace {

void BM_RotateImage90(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state) benchmark::DoNotOptimize(RotateImage90(photo));
}
BENCHMARK(BM_RotateImage90)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RotateImage45Fit(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state) benchmark::DoNotOptimize(RotateImage(photo, true, 45));
}
BENCHMARK(BM_RotateImage45Fit)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReduceImage(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const double f = 100.0 / static_cast<double>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(ReduceImage(photo, f, f));
}
BENCHMARK(BM_ReduceImage)->Arg(50)->Arg(25)->ArgName("percent")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MagnifyImage200(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state) benchmark::DoNotOptimize(MagnifyImage(photo, 2, 2));
}
BENCHMARK(BM_MagnifyImage200)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tessalin
