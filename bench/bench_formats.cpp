// Codecs on the 4000 x 3000 photo, in memory (no disk in the timing; the
// PNG and netpbm saves, which stream to a file, write to the temporary folder).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "bench_photo.h"
#include "core/file_io.h"
#include "formats/gif_codec.h"
#include "formats/jpeg_codec.h"
#include "formats/metafile_codec.h"
#include "formats/netpbm_codec.h"
#include "formats/png_codec.h"

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

std::string ScratchPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/tessalin_bench_" + std::to_string(::getpid()) + "_" +
         name;
}

// The photo saved once as `name`, read back as bytes.
std::vector<uint8_t> PhotoFileBytes(const char* name) {
  const std::string path = ScratchPath(name);
  if (LowerExtension(path) == ".png")
    SavePngFile(bench::Photo4000x3000(), path);
  else
    SaveNetpbmFile(bench::Photo4000x3000(), path, NetpbmKind::Ppm, 64);
  std::vector<uint8_t> bytes = ReadWholeFile(path);
  ::unlink(path.c_str());
  return bytes;
}

void BM_PngSave(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const std::string path = ScratchPath("save.png");
  for (auto _ : state) SavePngFile(photo, path);
  ::unlink(path.c_str());
  state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_PngSave)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PngDecode(benchmark::State& state) {
  const std::vector<uint8_t> png = PhotoFileBytes("decode.png");
  for (auto _ : state) benchmark::DoNotOptimize(DecodePng(png, "bench.png"));
  state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond);

void BM_PpmSave(benchmark::State& state) {
  const RasterImage& photo = bench::Photo4000x3000();
  const std::string path = ScratchPath("save.ppm");
  for (auto _ : state) SaveNetpbmFile(photo, path, NetpbmKind::Ppm, 64);
  ::unlink(path.c_str());
  state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_PpmSave)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PpmDecode(benchmark::State& state) {
  const std::vector<uint8_t> ppm = PhotoFileBytes("decode.ppm");
  for (auto _ : state) benchmark::DoNotOptimize(DecodeNetpbm(ppm, "bench.ppm"));
  state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_PpmDecode)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessalin
