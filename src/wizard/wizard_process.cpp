#include "wizard/wizard_process.h"

#include <string>
#include <utility>
#include <vector>

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

struct Output {
  std::string name;
  RasterImage raster;
};

class Outputs {
 public:
  void Add(std::string name, RasterImage raster) { list_.push_back({std::move(name), std::move(raster)}); }
  void AddDither(const std::string& prefix, DitherResults dithered) {
    static const char* const kChannels[4] = {"R", "G", "B", "I"};
    for (int i = 0; i < 4; ++i) Add(prefix + kChannels[i], std::move(dithered[static_cast<size_t>(i)]));
  }
  std::vector<Output>& List() { return list_; }

 private:
  std::vector<Output> list_;
};

// C1 and C5's conversion: black-and-white palette, then 1 bit per pixel.
RasterImage OneBit(RasterImage image) {
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf1Bit), image);
  return image;
}

RasterImage OneBitCopy(const RasterImage& image) {
  RasterImage copy;
  copy.Assign(image);
  return OneBit(std::move(copy));
}

DitherResults RecipeDither(const RasterImage& image, SharedState& state) {
  state.DitherThreshold = kRecipeDitherThreshold;
  return FloydSteinbergDither(image, state.DitherThreshold);
}

// Steps C4 and C5: the convolution source is prepared and SharedBias zeroed;
// pf1bit2 is the sharpened intensity at 1 bit.
void PrepareSharpening(ConvolveSource& prepared, const RasterImage& working, bool withHsi,
                       SharedState& state) {
  PrepareConvolveSource(prepared, working, withHsi);
  state.SharedBias = 0;
}

RasterImage Sharpened(const ConvolveSource& prepared, int channel, const SharedState& state) {
  return ConvolveChannel(prepared, channel, kSharpning2, state.SharedBias);
}

// Showing: the bar first, "Wizard_Bmp" when scaled, a step before each output
// and one at the end. Each raster goes as soon as the sink has its copy.
void ShowOutputs(RasterImage& working, std::vector<Output>& outputs, int maximum, const SharedState& state,
                 ResultSink& results, ProgressSink& progress) {
  progress.ProgressStart(maximum, 1);
  if (ShowsWorkingRaster(state.wizard)) results.CreateResultChild(kWorkingName, working);
  working = RasterImage();
  for (Output& output : outputs) {
    progress.ProgressStep();
    results.CreateResultChild(output.name, output.raster);
    output.raster = RasterImage();
  }
  progress.ProgressStep();
}

// The working raster is only read again by "Wizard_Bmp".
void DropUnlessShown(RasterImage& working, const SharedState& state) {
  if (!ShowsWorkingRaster(state.wizard)) working = RasterImage();
}

}  // namespace

void MakeVariousResult(RasterImage& working, SharedState& state, ResultSink& results,
                       ProgressSink& progress) {
  RasterImage pf1bit = OneBitCopy(working);                // C1
  RasterImage mono = EtcModelImage(kMonochrome, working);  // C2
  DitherResults dithered = RecipeDither(working, state);   // C3
  ConvolveSource prepared;
  // The HSI composite reads the triples row by row, so no HSI plane is held.
  PrepareSharpening(prepared, working, /*withHsi=*/false, state);  // C4
  DropUnlessShown(working, state);
  RasterImage pf1bit2 = OneBit(Sharpened(prepared, kChannelI, state));  // C5
  RasterImage convRgb = Sharpened(prepared, kChannelRgb, state);        // C6
  RasterImage convHsi = Sharpened(prepared, kChannelHsi, state);        // C7
  ReleaseWorkBuffers(prepared);                                         // C8
  DitherResults rgbDithered = RecipeDither(convRgb, state);             // C9
  convRgb = RasterImage();
  DitherResults hsiDithered = RecipeDither(convHsi, state);  // C10
  convHsi = RasterImage();

  Outputs outputs;
  outputs.Add("pf1bit", std::move(pf1bit));
  outputs.Add("pf1bit2", std::move(pf1bit2));
  outputs.Add("Mono", std::move(mono));
  outputs.AddDither("Dither_", std::move(dithered));
  outputs.AddDither("Conv_RGB_Dither_", std::move(rgbDithered));
  outputs.AddDither("Conv_HSI_Dither_", std::move(hsiDithered));
  ShowOutputs(working, outputs.List(), 16, state, results, progress);
}

void MakePictureResult(RasterImage& working, SharedState& state, ResultSink& results,
                       ProgressSink& progress) {
  RasterImage pf1bit = OneBitCopy(working);                // C1
  RasterImage mono = EtcModelImage(kMonochrome, working);  // C2
  DitherResults dithered = RecipeDither(working, state);   // C3
  // Only the intensity of Sharpning2 is read, which needs no HSI plane.
  ConvolveSource prepared;
  PrepareSharpening(prepared, working, /*withHsi=*/false, state);  // C4
  DropUnlessShown(working, state);
  RasterImage pf1bit2 = OneBit(Sharpened(prepared, kChannelI, state));  // C5
  ReleaseWorkBuffers(prepared);                                         // C8

  Outputs outputs;
  outputs.Add("pf1bit", std::move(pf1bit));
  outputs.Add("pf1bit2", std::move(pf1bit2));
  outputs.Add("Mono", std::move(mono));
  outputs.AddDither("Dither_", std::move(dithered));
  ShowOutputs(working, outputs.List(), 8, state, results, progress);
}

void MakeDrawingResult(RasterImage& working, SharedState& state, ResultSink& results,
                       ProgressSink& progress) {
  RasterImage pf1bit = OneBitCopy(working);                // C1
  RasterImage mono = EtcModelImage(kMonochrome, working);  // C2
  ConvolveSource prepared;
  PrepareSharpening(prepared, working, /*withHsi=*/false, state);  // C4
  DropUnlessShown(working, state);
  RasterImage pf1bit2 = OneBit(Sharpened(prepared, kChannelI, state));  // C5
  RasterImage convRgb = Sharpened(prepared, kChannelRgb, state);        // C6
  ReleaseWorkBuffers(prepared);                                         // C8
  DitherResults rgbDithered = RecipeDither(convRgb, state);             // C9
  convRgb = RasterImage();

  Outputs outputs;
  outputs.Add("pf1bit", std::move(pf1bit));
  outputs.Add("pf1bit2", std::move(pf1bit2));
  outputs.Add("Mono", std::move(mono));
  outputs.AddDither("Conv_RGB_Dither_", std::move(rgbDithered));
  ShowOutputs(working, outputs.List(), 8, state, results, progress);
}

RasterImage BuildWorkingRaster(const RasterImage& source, const WizardSettings& settings) {
  RasterImage working;
  if (!Scales(settings)) {
    working.Assign(source);
    working.SetPixelFormat(PixelFormat::pf24Bit);
    return working;
  }
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
  RasterImage working = BuildWorkingRaster(source, state.wizard);
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
