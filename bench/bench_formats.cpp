// Codecs on the 4000 x 3000 photo, in memory (no disk in the timing).
#include <benchmark/benchmark.h>

#include "bench_photo.h"
#include "formats/gif_codec.h"
#include "formats/jpeg_codec.h"
#include "formats/metafile_codec.h"

namespace tessalin {
namespace {

void BM_JpegEncode(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state) benchmark::DoNotOptimize(EncodeJpeg(photo, "bench.jpg"));
  state.SetItemsProcessed(state.iterations() * photo.Width() * photo.Height());
}
BENCHMARK(BM_JpegEncode)->Unit(benchmark::kMillisecond);

void BM_JpegDecode(benchmark::State& state) {
  const std::vector<uint8_t> jpeg = EncodeJpeg(bench::Photo4000x3000(), "bench.jpg");
  for (auto _ : state) benchmark::DoNotOptimize(DecodeJpeg(jpeg, "bench.jpg"));
  state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_JpegDecode)->Unit(benchmark::kMillisecond);

void BM_GifEncode216(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  for (auto _ : state) benchmark::DoNotOptimize(EncodeGif(photo, "bench.gif"));
  state.SetItemsProcessed(state.iterations() * photo.Width() * photo.Height());
}
BENCHMARK(BM_GifEncode216)->Unit(benchmark::kMillisecond);

void BM_GifDecode(benchmark::State& state) {
  const std::vector<uint8_t> gif = EncodeGif(bench::Photo4000x3000(), "bench.gif");
  for (auto _ : state) benchmark::DoNotOptimize(GifToRaster(DecodeGif(gif, "bench.gif")));
  state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_GifDecode)->Unit(benchmark::kMillisecond);

void BM_EmfPlayback(benchmark::State& state) {
  const std::vector<uint8_t> emf = EncodeEmf(bench::Photo4000x3000());
  for (auto _ : state) benchmark::DoNotOptimize(DecodeEmf(emf, "bench.emf"));
  state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_EmfPlayback)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessalin
