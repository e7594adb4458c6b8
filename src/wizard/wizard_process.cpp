#include "wizard/wizard_process.h"

#include <string>
#include <utility>
#include <vector>

#include "core/concurrent_jobs.h"
#include "core/large_buffer.h"
#include "core/pixel_ops.h"
#include "core/tessalin_error.h"
#include "processing/convolve.h"
#include "processing/dither.h"
#include "processing/scale.h"

namespace tessalin {

namespace {

constexpr int kSharpning2 = 2;
constexpr int kChannelRgb = 3;
constexpr int kChannelI = 6;
constexpr int kChannelHsi = 7;
constexpr int kMonochrome = 1;
constexpr int kRecipeDitherThreshold = 128;
constexpr const char* kWorkingName = "Wizard_Bmp";

enum class Recipe { None, Various, Picture, Drawing };

Recipe ChooseRecipe(const WizardSettings& settings) {
  if (settings.WMode == 0) return Recipe::Various;
  if (settings.WMode != 1) return Recipe::None;
  if (settings.ResultType == 1) return Recipe::Various;
  if (settings.ResultType != 0) return Recipe::None;
  if (settings.SrcType == 0) return Recipe::Picture;
  if (settings.SrcType == 1 || settings.SrcType == 2) return Recipe::Drawing;
  return Recipe::None;
}

bool ShowsWorkingRaster(const WizardSettings& settings) { return settings.ScaleType != 1; }

bool Scales(const WizardSettings& settings) { return settings.SrcType != 2 && settings.ScaleType != 1; }

// An output and how it reaches the sink: the black-and-white results (Mono,
// the dithers) are held packed and stand for their 24-bit form.
struct Output {
  std::string name;
  RasterImage raster;
  bool packed = false;
};

class Outputs {
 public:
  void Add(std::string name, RasterImage raster) { list_.push_back({std::move(name), std::move(raster), false}); }
  void AddPacked(std::string name, RasterImage raster) {
    list_.push_back({std::move(name), std::move(raster), true});
  }
  void AddDither(const std::string& prefix, PackedDitherResults dithered) {
    static const char* const kChannels[4] = {"R", "G", "B", "I"};
    for (int i = 0; i < 4; ++i) AddPacked(prefix + kChannels[i], std::move(dithered[static_cast<size_t>(i)]));
  }
  std::vector<Output>& List() { return list_; }

 private:
  std::vector<Output> list_;
};

// The candidates of a recipe, each made once. Every engine reads the working
// raster (or a convolution of it) and changes nothing, so independent
// candidates are made side by side; the bytes do not depend on the order.
struct Candidates {
  RasterImage pf1bit, mono, pf1bit2;
  PackedDitherResults dithered, rgbDithered;
};

constexpr int kPf1Bit = static_cast<int>(PixelFormat::pf1Bit);

// C1 and C2: the picture at 1 bit, and Monochrome (packed).
void MakePlainCandidates(const RasterImage& working, Candidates& c) {
  c.pf1bit = ConvertedPixelFormat(kPf1Bit, working);
  c.mono = MonochromePacked(working);
}

// C3, C9 and C10: Floyd-Steinberg at the recipe's threshold.
PackedDitherResults RecipeDither(const RasterImage& image) {
  return FloydSteinbergDitherPacked(image, kRecipeDitherThreshold);
}

// Step C4: the convolution source, read in place from the working raster,
// and SharedBias zeroed. The settings the steps make (C3 to C10) are set
// before any of them runs, as the engines take them as arguments.
void PrepareSharpening(ConvolveSource& prepared, const RasterImage& working, SharedState& state) {
  state.DitherThreshold = kRecipeDitherThreshold;
  PrepareConvolveSourceInPlace(prepared, working);
  state.SharedBias = 0;
}

RasterImage Sharpened(const ConvolveSource& prepared, int channel, int bias) {
  return ConvolveChannel(prepared, channel, kSharpning2, bias);
}

// C5: the sharpened intensity at 1 bit.
RasterImage SharpenedAtOneBit(const ConvolveSource& prepared, int bias) {
  return ConvertedPixelFormat(kPf1Bit, Sharpened(prepared, kChannelI, bias));
}

// C6 then C9, or C7 then C10: a convolution dithered, released once read.
PackedDitherResults DitheredSharpening(const ConvolveSource& prepared, int channel, int bias) {
  return RecipeDither(Sharpened(prepared, channel, bias));
}

// Showing: the bar first, "Wizard_Bmp" when scaled, a step before each output
// and one at the end. Each raster goes as soon as the sink has its copy.
void ShowOutputs(const RasterImage& working, std::vector<Output>& outputs, int maximum, const SharedState& state,
                 ResultSink& results, ProgressSink& progress) {
  progress.ProgressStart(maximum, 1);
  if (ShowsWorkingRaster(state.wizard)) results.CreateResultChild(kWorkingName, working);
  for (Output& output : outputs) {
    progress.ProgressStep();
    if (output.packed) results.CreateBlackWhiteResultChild(output.name, output.raster);
    else results.CreateResultChild(output.name, output.raster);
    output.raster = RasterImage();
  }
  progress.ProgressStep();
}

}  // namespace

void MakeVariousResult(const RasterImage& working, SharedState& state, ResultSink& results,
                       ProgressSink& progress) {
  Candidates c;
  ConvolveSource prepared;
  PrepareSharpening(prepared, working, state);  // C4 (and C3's threshold)
  const int bias = state.SharedBias;
  RasterImage convRgb, convHsi;
  RunConcurrently({
      [&] {
        MakePlainCandidates(working, c);                    // C1, C2
        c.pf1bit2 = SharpenedAtOneBit(prepared, bias);      // C5
        convRgb = Sharpened(prepared, kChannelRgb, bias);  // C6
      },
      [&] { convHsi = Sharpened(prepared, kChannelHsi, bias); }  // C7
  });
  ReleaseWorkBuffers(prepared);  // C8
  // C3, C9 and C10: three pictures of one size, dithered in one pass.
  std::vector<PackedDitherResults> dithered =
      FloydSteinbergDitherPackedTogether({&working, &convRgb, &convHsi}, kRecipeDitherThreshold);
  convRgb = RasterImage();
  convHsi = RasterImage();

  Outputs outputs;
  outputs.Add("pf1bit", std::move(c.pf1bit));
  outputs.Add("pf1bit2", std::move(c.pf1bit2));
  outputs.AddPacked("Mono", std::move(c.mono));
  outputs.AddDither("Dither_", std::move(dithered[0]));
  outputs.AddDither("Conv_RGB_Dither_", std::move(dithered[1]));
  outputs.AddDither("Conv_HSI_Dither_", std::move(dithered[2]));
  ShowOutputs(working, outputs.List(), 16, state, results, progress);
}

void MakePictureResult(const RasterImage& working, SharedState& state, ResultSink& results,
                       ProgressSink& progress) {
  Candidates c;
  ConvolveSource prepared;
  PrepareSharpening(prepared, working, state);  // C4 (and C3's threshold)
  const int bias = state.SharedBias;
  RunConcurrently({
      [&] {
        MakePlainCandidates(working, c);                // C1, C2
        c.pf1bit2 = SharpenedAtOneBit(prepared, bias);  // C5
      },
      [&] { c.dithered = RecipeDither(working); }  // C3
  });
  ReleaseWorkBuffers(prepared);  // C8

  Outputs outputs;
  outputs.Add("pf1bit", std::move(c.pf1bit));
  outputs.Add("pf1bit2", std::move(c.pf1bit2));
  outputs.AddPacked("Mono", std::move(c.mono));
  outputs.AddDither("Dither_", std::move(c.dithered));
  ShowOutputs(working, outputs.List(), 8, state, results, progress);
}

void MakeDrawingResult(const RasterImage& working, SharedState& state, ResultSink& results,
                       ProgressSink& progress) {
  Candidates c;
  ConvolveSource prepared;
  PrepareSharpening(prepared, working, state);  // C4 (and C9's threshold)
  const int bias = state.SharedBias;
  RunConcurrently({
      [&] {
        MakePlainCandidates(working, c);                // C1, C2
        c.pf1bit2 = SharpenedAtOneBit(prepared, bias);  // C5
      },
      [&] { c.rgbDithered = DitheredSharpening(prepared, kChannelRgb, bias); }  // C6, C9
  });
  ReleaseWorkBuffers(prepared);  // C8

  Outputs outputs;
  outputs.Add("pf1bit", std::move(c.pf1bit));
  outputs.Add("pf1bit2", std::move(c.pf1bit2));
  outputs.AddPacked("Mono", std::move(c.mono));
  outputs.AddDither("Conv_RGB_Dither_", std::move(c.rgbDithered));
  ShowOutputs(working, outputs.List(), 8, state, results, progress);
}

RasterImage BuildWorkingRaster(const RasterImage& source, const WizardSettings& settings) {
  RasterImage working;
  if (!Scales(settings)) return ConvertedPixelFormat(static_cast<int>(PixelFormat::pf24Bit), source);
  switch (settings.ScaleType) {
    case 0:
      working = MagnifyImage(source, 1.25, 1.25);
      break;
    case 2:
      working = ReduceImage(source, 4.0 / 3.0, 4.0 / 3.0);
      break;
    case 3:
      working = ReduceImage(source, 2, 2);
      break;
    case 4:
      working = ReduceImage(source, 4, 4);
      break;
    default:
      working.Assign(source);
      break;  // a tag no scale button has: left as it is
  }
  working.SetPixelFormat(PixelFormat::pf24Bit);
  return working;
}

std::vector<std::string> WizardOutputNames(const WizardSettings& settings) {
  std::vector<std::string> names;
  const Recipe recipe = ChooseRecipe(settings);
  if (recipe == Recipe::None) return names;
  if (ShowsWorkingRaster(settings)) names.push_back(kWorkingName);
  names.insert(names.end(), {"pf1bit", "pf1bit2", "Mono"});
  auto addDither = [&](const std::string& prefix) {
    for (const char* c : {"R", "G", "B", "I"}) names.push_back(prefix + c);
  };
  if (recipe != Recipe::Drawing) addDither("Dither_");
  if (recipe != Recipe::Picture) addDither("Conv_RGB_Dither_");
  if (recipe == Recipe::Various) addDither("Conv_HSI_Dither_");
  return names;
}

void WizardProcess(const RasterImage& source, SharedState& state, ResultSink& results,
                   ProgressSink& progress) {
  const Recipe recipe = ChooseRecipe(state.wizard);
  if (recipe == Recipe::None) return;
  if (!source.HasImage()) throw TessalinError("There is no picture to process.");
  // The run's big buffers serve its later ones instead of fresh memory.
  const LargeBufferReuse reuse;
  // Unscaled, the working raster is the source in 24 bits: a 24-bit source
  // serves as it is, since nothing changes it.
  RasterImage built;
  const bool inPlace = !Scales(state.wizard) && source.Format() == PixelFormat::pf24Bit;
  if (!inPlace) built = BuildWorkingRaster(source, state.wizard);
  const RasterImage& working = inPlace ? source : built;
  // A picture of a few pixels can reduce to nothing; there is nothing to dither then.
  if (!working.HasImage())
    throw TessalinError("The picture (" + std::to_string(source.Width()) + " x " +
                        std::to_string(source.Height()) + ") is too small for this scale.");
  switch (recipe) {
    case Recipe::Various:
      MakeVariousResult(working, state, results, progress);
      break;
    case Recipe::Picture:
      MakePictureResult(working, state, results, progress);
      break;
    case Recipe::Drawing:
      MakeDrawingResult(working, state, results, progress);
      break;
    case Recipe::None:
      break;
  }
}

}  // namespace tessalin
