// The wizard recipes: one source picture through a fixed recipe into a set of
// 1-bit candidates, handed to the result sink in window order.
#pragma once

#include <string>
#include <vector>

#include "core/progress.h"
#include "core/raster_image.h"
#include "core/result_sink.h"
#include "core/shared_state.h"

namespace tessalin {

// Runs the recipe the settings in `state.wizard` select on `source`; sets
// state.SharedBias and state.DitherThreshold as the recipe does. The source
// is not changed.
void WizardProcess(const RasterImage& source, SharedState& state, ResultSink& results,
                   ProgressSink& progress);

// The recipes, on the pf24Bit working raster. Each computes all its outputs
// (independent ones side by side), then shows "Wizard_Bmp" (the working
// raster) when state.wizard.ScaleType is not 1, then its outputs with a
// progress step before each and one at the end. Mono and the dithers reach
// the sink packed, through CreateBlackWhiteResultChild.
void MakeVariousResult(const RasterImage& working, SharedState& state, ResultSink& results, ProgressSink& progress);
void MakePictureResult(const RasterImage& working, SharedState& state, ResultSink& results, ProgressSink& progress);
void MakeDrawingResult(const RasterImage& working, SharedState& state, ResultSink& results, ProgressSink& progress);

// The working raster: a pf24Bit copy of `source`, scaled by the ScaleType
// (0 125 %, 2 75 %, 3 50 %, 4 25 %) unless the scale is 100 % or the source is an icon.
RasterImage BuildWorkingRaster(const RasterImage& source, const WizardSettings& settings);

// The window names a run with these settings produces, in order, without
// computing anything (empty when no recipe runs).
std::vector<std::string> WizardOutputNames(const WizardSettings& settings);

}  // namespace tessalin
