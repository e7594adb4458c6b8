// The wizard recipes: one source picture through a fixed recipe into a set of
// 1-bit candidates, handed to the result sink in window order.
#pragma once

#include "core/progress.h"
#include "core/raster_image.h"
#include "core/result_sink.h"
#include "core/shared_state.h"

namespace tessalin {

// Runs the recipe the settings in `state.wizard` select on `source`; sets
// state.SharedBias and state.DitherThreshold as the recipe does. The source
// is not changed.
void WizardProcess(const RasterImage& source, SharedState& state, ResultSink& results, ProgressSink& progress);

}  // namespace tessalin
