// Preparing the convolution source of the 4000 x 3000 photo (bordered RGB and
// HSI buffers), straight from the picture and the old way through a bordered raster.
#include <benchmark/benchmark.h>

#include "bench_photo.h"
#include "core/work_buffers.h"
#include "processing/convolve.h"

namespace tessalin {
namespace {

void BM_PrepareThroughBorderedRaster(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const bool withHsi = state.range(0) != 0;
  for (auto _ : state) {
    WorkBuffers buffers;
    LoadWorkBuffers(buffers, MakeConvolveBorder(photo), withHsi);
    benchmark::DoNotOptimize(buffers.Rgb());
  }
}
BENCHMARK(BM_PrepareThroughBorderedRaster)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_PrepareDirect(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const bool withHsi = state.range(0) != 0;
  for (auto _ : state) {
    ConvolveSource prepared;
    PrepareConvolveSource(prepared, photo, withHsi);
    benchmark::DoNotOptimize(prepared.buffers.Rgb());
  }
}
BENCHMARK(BM_PrepareDirect)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace
}  // namespace tessalin
