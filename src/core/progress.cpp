#include "core/progress.h"

#include <algorithm>
#include <cstdio>

#include "core/arithmetic.h"

namespace tessalin {

int AdvanceProgress(ProgressBarState& bar) {
  bar.position = std::min(bar.position + bar.step, bar.maximum);
  if (bar.maximum <= 0) return 0;  // no bar configured: nothing to divide by
  const Extended ratio = static_cast<Extended>(bar.position) / bar.maximum * 100;
  return RoundToInt(ratio);
}

std::string ProgressHintText(int percent) {
  char text[64];
  std::snprintf(text, sizeof text, "ProcessRation : %d%s completed.", percent, "%");
  return text;
}

void CountingProgressSink::ProgressStart(int maximum, int step) {
  bar_ = {maximum > 0 ? maximum : 1, step, 0};
}

void CountingProgressSink::ProgressStep() {
  const int percent = AdvanceProgress(bar_);
  OnHint(ProgressHintText(percent), percent);
}

}  // namespace tessalin
