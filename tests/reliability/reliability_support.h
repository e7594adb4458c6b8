// Shared checks of the reliability tests: one load of a possibly damaged file
// must end in a clear error naming the file or in a sound picture, within a
// time budget and without a single allocation larger than the file allows.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "core/raster_image.h"

namespace tessalin::test {

// The largest single operator new since the last reset (the replacement lives
// in reliability_support.cpp; C libraries' malloc is not seen).
void ResetLargestAllocation();
size_t LargestAllocation();

// Processor seconds one load may take; sanitizers slow everything several times.
double LoadBudgetSeconds();

struct LoadOutcome {
  bool threw = false;          // a TessalinError
  std::string message;         // its text, or the box shown
  bool picture = false;        // a picture came back
  int width = 0, height = 0;
  double seconds = 0;          // processor time of the load
  size_t largestAllocation = 0;
  std::string fault;           // empty when the load ended cleanly
};

// Writes `bytes` to `path` and loads it through LoadImageFile. A raw file is
// answered with `rawWidth` x `rawHeight` in layout `rawLayout` (as the raw
// import dialog would, after its size check).
// `wizardOpen` makes a GIF of several frames one picture instead of opening the frame browser.
LoadOutcome LoadDamaged(const std::string& path, const std::vector<uint8_t>& bytes, int rawWidth = 0,
                        int rawHeight = 0, int rawLayout = 1, bool wizardOpen = false);

}  // namespace tessalin::test
