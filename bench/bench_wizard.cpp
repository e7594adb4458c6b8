// The wizard's various set (15 candidates) on photo-sized pictures, with the
// process's peak memory.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "bench_photo.h"
#include "wizard/wizard_process.h"

namespace tessalin {
namespace {

// Results are handed over and dropped, the black-and-white ones widened to
// 24 bits as a window receives them.
struct DiscardingSink : ResultSink, CountingProgressSink {
  int results = 0;
  void CreateResultChild(const std::string&, const RasterImage& raster) override {
    results += raster.HasImage() ? 1 : 0;
  }
  void OnHint(const std::string&, int) override {}
};

// The same, taking the black-and-white results packed, as the command line
// does when it writes WBMP files.
struct PackedDiscardingSink : DiscardingSink {
  void CreateBlackWhiteResultChild(const std::string&, const RasterImage& packed) override {
    results += packed.HasImage() ? 1 : 0;
  }
};

// The high-water mark of resident memory, from the kernel.
double PeakResidentMiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmHWM:") {
      double kib = 0;
      status >> kib;
      return kib / 1024;
    }
    status.ignore(1 << 12, '\n');
  }
  return 0;
}

template <typename Sink>
void RunVarious(benchmark::State& bench, const RasterImage& photo) {
  for (auto _ : bench) {
    SharedState state;
    state.wizard.WMode = 0;
    Sink sink;
    WizardProcess(photo, state, sink, sink);
    if (sink.results != 15) bench.SkipWithError("the various set did not give 15 candidates");
  }
  bench.counters["peak_MiB"] = PeakResidentMiB();
  bench.counters["Mpixel/s"] = benchmark::Counter(static_cast<double>(photo.Width()) * photo.Height() / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

void BM_WizardVarious1000x1000(benchmark::State& bench) {
  static const RasterImage photo = bench::MakePhotoLike(1000, 1000, 7);
  RunVarious<DiscardingSink>(bench, photo);
}

// Packed results, as for WBMP files; filter to it alone for its peak.
void BM_WizardVariousPacked4000x3000(benchmark::State& bench) {
  RunVarious<PackedDiscardingSink>(bench, bench::Photo4000x3000());
}

// Runs last so that its peak is the process's largest.
void BM_WizardVarious4000x3000(benchmark::State& bench) { RunVarious<DiscardingSink>(bench, bench::Photo4000x3000()); }

BENCHMARK(BM_WizardVarious1000x1000)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_WizardVariousPacked4000x3000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(3);
BENCHMARK(BM_WizardVarious4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(3);

}  // namespace
}  // namespace tessalin
