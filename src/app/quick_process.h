// The quick-process commands (tool buttons Process 1 .. 4 and the document's
// pop-up Process items): fixed recipes on the active document, no dialog.
#pragma once

#include "core/raster_image.h"
#include "widgets/app_services.h"

namespace tessalin {

inline constexpr char kQuickProcessHint[] = "Just wait for Processing job you select";

// `number` 1 .. 4. The document is not changed.
void QuickProcess(AppServices& app, const RasterImage& document, int number);

}  // namespace tessalin
