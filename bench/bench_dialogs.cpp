// The engine work behind the processing dialogs' interactive handlers, on a
// 1000 x 1000 picture: what a track-bar move or an Apply costs before painting.
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "bench_photo.h"
#include "core/pixel_ops.h"
#include "processing/channel.h"
#include "processing/convolve.h"
#include "processing/dither.h"
#include "processing/edge.h"
#include "processing/preview_sampling.h"
#include "processing/rotate.h"
#include "processing/scale.h"

namespace tessalin {
namespace {

const RasterImage& Picture() {
  static const RasterImage picture = bench::MakePhotoLike(1000, 1000, 11);
  return picture;
}

// Channel_TrBarChange: the corrected picture and its HSI composite.
void BM_ChannelTrackBar(benchmark::State& state) {
  const ChannelOffsets offsets{15, -10, 5, 20, -0.25, 10};
  for (auto _ : state) {
    ChannelCorrection result = ApplyChannelCorrectionWithComposite(Picture(), offsets);
    benchmark::DoNotOptimize(result.composite.Row(0));
  }
}
BENCHMARK(BM_ChannelTrackBar)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// A move of the H bar: a new hue offset every time, so the dialog's corrector
// has to work out the cosines of every hue the picture meets.
void BM_ChannelTrackBarHueMove(benchmark::State& state) {
  ChannelCorrector corrector;
  ChannelOffsets offsets{15, -10, 5, 20, -0.25, 10};
  for (auto _ : state) {
    offsets.h = offsets.h >= 360 ? -360 : offsets.h + 1;
    ChannelCorrection result = corrector.Apply(Picture(), offsets, true);
    benchmark::DoNotOptimize(result.composite.Row(0));
  }
}
BENCHMARK(BM_ChannelTrackBarHueMove)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// What a move of a channel bar costs the dialog itself: the full pictures wait
// until read, a 120 x 120 preview needs only the pixels it samples.
void BM_ChannelTrackBarPreview(benchmark::State& state) {
  const ChannelOffsets offsets{15, -10, 5, 20, -0.25, 10};
  std::vector<int> indices(120);
  for (int i = 0; i < 120; ++i) indices[i] = i * 1000 / 120;
  for (auto _ : state) {
    // The RGB and HSI previews share one sampled face.
    ChannelCorrection face =
        ApplyChannelCorrectionWithComposite(SamplePixels(Picture(), indices, indices), offsets);
    benchmark::DoNotOptimize(face.composite.Row(0));
  }
}
BENCHMARK(BM_ChannelTrackBarPreview)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Channel_UpDownClick: one single-channel image from the current picture.
void BM_ChannelUpDown(benchmark::State& state) {
  for (auto _ : state) {
    RasterImage grey = ChannelThresholdImage(Picture(), 0, 40);
    benchmark::DoNotOptimize(grey.Row(0));
  }
}
BENCHMARK(BM_ChannelUpDown)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Channel_Dis_BtnClick: the six single-channel pictures of the corrected picture.
void BM_ChannelDistribution(benchmark::State& state) {
  for (auto _ : state) {
    std::array<RasterImage, 6> six = ChannelDistributionImages(Picture());
    benchmark::DoNotOptimize(six[5].Row(0));
  }
}
BENCHMARK(BM_ChannelDistribution)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// What Distribution and Reset cost the dialog itself with scaled previews: the
// faces of the six 123 x 120 channel previews (and for Reset the 120 x 120 copy
// and composite) from sampled pixels; the full pictures wait until read.
void BM_ChannelDistributionPreview(benchmark::State& state) {
  std::vector<int> columns(123), rows(120);
  for (int i = 0; i < 123; ++i) columns[i] = i * 1000 / 123;
  for (int i = 0; i < 120; ++i) rows[i] = i * 1000 / 120;
  for (auto _ : state) {
    std::array<RasterImage, 6> six = ChannelDistributionImages(SamplePixels(Picture(), columns, rows));
    benchmark::DoNotOptimize(six[5].Row(0));
    if (state.range(0) != 0) {
      RasterImage copy = SamplePixels(Picture(), rows, rows);
      RasterImage composite = ChannelCompositeImage(copy);
      benchmark::DoNotOptimize(composite.Row(0));
    }
  }
}
BENCHMARK(BM_ChannelDistributionPreview)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The same six through the document's model operations, one picture each (the way before).
void BM_ChannelDistributionByModelImages(benchmark::State& state) {
  for (auto _ : state) {
    for (int kind = 0; kind < 3; ++kind) {
      RasterImage rgb = RGBModelImage(kind, Picture());
      RasterImage hsi = HSIModelImage(kind, Picture());
      benchmark::DoNotOptimize(rgb.Row(0));
      benchmark::DoNotOptimize(hsi.Row(0));
    }
  }
}
BENCHMARK(BM_ChannelDistributionByModelImages)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// ReSet_BtnClick (and the first show): the copy and the composite of the source.
void BM_ChannelReset(benchmark::State& state) {
  for (auto _ : state) {
    std::array<RasterImage, 6> six = ChannelDistributionImages(Picture());
    RasterImage copy = RGBModelImage(3, Picture());
    RasterImage composite = ChannelCompositeImage(Picture());
    benchmark::DoNotOptimize(composite.Row(0));
  }
}
BENCHMARK(BM_ChannelReset)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Degree_TrBarChange: one rotation of the kept copy (arg: Full Fit).
void BM_RotateTrackBar(benchmark::State& state) {
  for (auto _ : state) {
    RasterImage turned = RotateImage(Picture(), state.range(0) != 0, 30);
    benchmark::DoNotOptimize(turned.Row(0));
  }
}
BENCHMARK(BM_RotateTrackBar)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Scale_TrBarChange on the reduction bar (arg: percent).
void BM_ScaleReduceTrackBar(benchmark::State& state) {
  const double f = 100.0 / static_cast<double>(state.range(0));
  for (auto _ : state) {
    RasterImage reduced = ReduceImage(Picture(), f, f);
    benchmark::DoNotOptimize(reduced.Row(0));
  }
}
BENCHMARK(BM_ScaleReduceTrackBar)->Arg(75)->Arg(50)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Scale_TrBarChange on the magnification bar (arg: percent).
void BM_ScaleMagnifyTrackBar(benchmark::State& state) {
  const double f = static_cast<double>(state.range(0)) / 100.0;
  for (auto _ : state) {
    RasterImage magnified = MagnifyImage(Picture(), f, f);
    benchmark::DoNotOptimize(magnified.Row(0));
  }
}
BENCHMARK(BM_ScaleMagnifyTrackBar)
    ->Arg(125)
    ->Arg(200)
    ->Arg(500)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()->MeasureProcessCPUTime();

// The preparation alone (bordered copy with its HSI plane).
void BM_ConvolvePrepare(benchmark::State& state) {
  for (auto _ : state) {
    ConvolveSource prepared;
    PrepareConvolveSource(prepared, Picture());
    benchmark::DoNotOptimize(prepared.buffers.Rgb());
    ReleaseWorkBuffers(prepared);
  }
}
BENCHMARK(BM_ConvolvePrepare)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Apply in the convolution dialog: prepare, eight channels, release (arg: kind).
void BM_ConvolveApply(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  for (auto _ : state) {
    ConvolveSource prepared;
    PrepareConvolveSource(prepared, Picture());
    for (int channel = 0; channel < 8; ++channel) {
      RasterImage result = ConvolveChannel(prepared, channel, kind, 0);
      benchmark::DoNotOptimize(result.Row(0));
    }
    ReleaseWorkBuffers(prepared);
  }
}
BENCHMARK(BM_ConvolveApply)->Arg(0)->Arg(2)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// What Apply costs the convolution dialog itself when the results are shown
// scaled: the eight 130 x 130 faces through a mosaic of neighbourhoods, from
// the two colour outputs (3 and 7) and their bytes; the full pictures wait
// until one is read (export).
template <typename Run>
void EightFacesFromTwoRuns(const std::vector<int>& indices, Run run) {
  const RasterImage mosaic = NeighbourhoodMosaic(Picture(), indices, indices);
  ConvolveSource prepared;
  PrepareConvolveSource(prepared, mosaic);
  std::array<RasterImage, 8> results;
  results[3] = run(prepared, 3);
  results[7] = run(prepared, 7);
  ReleaseWorkBuffers(prepared);
  SplitColourResults(results);
  for (RasterImage& result : results) {
    RasterImage face = MosaicCentres(result);
    benchmark::DoNotOptimize(face.Row(0));
  }
}

std::vector<int> PreviewIndices() {
  std::vector<int> indices(130);
  for (int i = 0; i < 130; ++i) indices[i] = i * 1000 / 130;
  return indices;
}

void BM_ConvolveApplyPreview(benchmark::State& state) {
  const std::vector<int> indices = PreviewIndices();
  const int kind = static_cast<int>(state.range(0));
  for (auto _ : state)
    EightFacesFromTwoRuns(indices, [kind](const ConvolveSource& p, int c) { return ConvolveChannel(p, c, kind, 0); });
}
BENCHMARK(BM_ConvolveApplyPreview)->Arg(0)->Arg(2)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The same faces with one engine run per output (the way before).
void BM_ConvolveApplyPreviewEightRuns(benchmark::State& state) {
  const std::vector<int> indices = PreviewIndices();
  for (auto _ : state) {
    const RasterImage mosaic = NeighbourhoodMosaic(Picture(), indices, indices);
    ConvolveSource prepared;
    PrepareConvolveSource(prepared, mosaic);
    for (int channel = 0; channel < 8; ++channel) {
      RasterImage face =
          MosaicCentres(ConvolveChannel(prepared, channel, static_cast<int>(state.range(0)), 0));
      benchmark::DoNotOptimize(face.Row(0));
    }
    ReleaseWorkBuffers(prepared);
  }
}
BENCHMARK(BM_ConvolveApplyPreviewEightRuns)->Arg(0)->Arg(2)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// One full result when it is first read (export), for an RGB-side output
// (no HSI buffer) and an HSI-side one.
void BM_ConvolveFullResultWhenRead(benchmark::State& state) {
  const int channel = static_cast<int>(state.range(0));
  for (auto _ : state) {
    ConvolveSource prepared;
    PrepareConvolveSource(prepared, Picture(), channel >= 4);
    RasterImage result = ConvolveChannel(prepared, channel, 2, 0);
    benchmark::DoNotOptimize(result.Row(0));
    ReleaseWorkBuffers(prepared);
  }
}
BENCHMARK(BM_ConvolveFullResultWhenRead)->Arg(0)->Arg(7)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Apply in the edge dialog.
void BM_EdgeApply(benchmark::State& state) {
  for (auto _ : state) {
    EdgeSource prepared;
    PrepareEdgeSource(prepared, Picture());
    for (int channel = 0; channel < 8; ++channel) {
      RasterImage result = EdgeChannel(prepared, static_cast<int>(state.range(0)), channel, 0);
      benchmark::DoNotOptimize(result.Row(0));
    }
    ReleaseWorkBuffers(prepared);
  }
}
BENCHMARK(BM_EdgeApply)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// What Apply costs the edge dialog itself with scaled results (as above).
void BM_EdgeApplyPreview(benchmark::State& state) {
  const std::vector<int> indices = PreviewIndices();
  const int kind = static_cast<int>(state.range(0));
  for (auto _ : state)
    EightFacesFromTwoRuns(indices, [kind](const ConvolveSource& p, int c) { return EdgeChannel(p, kind, c, 0); });
}
BENCHMARK(BM_EdgeApplyPreview)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_EdgeApplyPreviewEightRuns(benchmark::State& state) {
  const std::vector<int> indices = PreviewIndices();
  for (auto _ : state) {
    const RasterImage mosaic = NeighbourhoodMosaic(Picture(), indices, indices);
    EdgeSource prepared;
    PrepareEdgeSource(prepared, mosaic);
    for (int channel = 0; channel < 8; ++channel) {
      RasterImage face =
          MosaicCentres(EdgeChannel(prepared, static_cast<int>(state.range(0)), channel, 0));
      benchmark::DoNotOptimize(face.Row(0));
    }
    ReleaseWorkBuffers(prepared);
  }
}
BENCHMARK(BM_EdgeApplyPreviewEightRuns)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Apply in the dither dialog (Floyd-Steinberg and Stucki).
void BM_DitherApply(benchmark::State& state) {
  for (auto _ : state) {
    DitherResults results =
        state.range(0) == 2 ? FloydSteinbergDither(Picture(), 128) : WideKernelDither(Picture(), 128, 4);
    benchmark::DoNotOptimize(results[0].Row(0));
  }
}
BENCHMARK(BM_DitherApply)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Apply in the dialog opened for the further methods: every kind through the
// dispatcher the dialog calls, with the option row as left (strength 100 %,
// no linear light) and with strength 50 % in linear light.
void BM_DitherApplyFurther(benchmark::State& state) {
  const DiffusionOptions options{static_cast<int>(state.range(1)), state.range(2) != 0};
  for (auto _ : state) {
    DitherResults results = DitherByKind(Picture(), static_cast<int>(state.range(0)), 128, options);
    benchmark::DoNotOptimize(results[0].Row(0));
  }
}
BENCHMARK(BM_DitherApplyFurther)
    ->ArgsProduct({{2, 6, 7, 8, 9, 10, 11, 12}, {100}, {0}})
    ->ArgsProduct({{2, 4, 8}, {50}, {1}})
    ->ArgNames({"kind", "strength", "linear"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// The same engines alone, their results packed: what Apply costs before the
// four results are widened to 24 bits for the previews.
void BM_DitherApplyFurtherPacked(benchmark::State& state) {
  const DiffusionOptions options{static_cast<int>(state.range(1)), state.range(2) != 0};
  for (auto _ : state) {
    PackedDitherResults results =
        DitherByKindPacked(Picture(), static_cast<int>(state.range(0)), 128, options);
    benchmark::DoNotOptimize(results[0].Row(0));
  }
}
BENCHMARK(BM_DitherApplyFurtherPacked)
    ->ArgsProduct({{2, 6, 8, 10, 12}, {100}, {0}})
    ->ArgsProduct({{8}, {50}, {1}})
    ->ArgNames({"kind", "strength", "linear"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
}  // namespace tessalin
