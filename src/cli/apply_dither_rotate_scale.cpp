// apply dither | rotate90 | rotate | scale | reduce | magnify.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "cli/cli_common.h"
#include "processing/dither.h"
#include "processing/rotate.h"
#include "processing/scale.h"

namespace tessalin::cli {

namespace {

std::vector<ApplyResult> One(RasterImage image) {
  std::vector<ApplyResult> out;
  out.push_back({"", std::move(image)});
  return out;
}

std::vector<ApplyResult> RunDither(const std::vector<std::string>& a, const RasterImage& source,
                                   CliRun& run) {
  const int kind = ParseInt(a[0], "dither");
  if (kind < 0 || kind > 5) throw UsageError("dither kind must be 0 to 5");
  const int threshold = run.args.IntValue("--threshold", 128);
  // The dialog's threshold field.
  if (threshold < -255 || threshold > 255) throw UsageError("--threshold must be -255 to 255");
  run.state.DitherKind = kind;
  run.state.DitherThreshold = threshold;
  // The engines read any layout as its 24-bit form and leave the source as it is.
  PackedDitherResults results;
  switch (kind) {
    case 0:
    case 1:
      results = OrderedDitherPacked(source, kind);
      break;
    case 2:
      results = FloydSteinbergDitherPacked(source, threshold);
      break;
    case 5:
      results = CustomThresholdDitherPacked(source, threshold);
      break;
    default:
      results = WideKernelDitherPacked(source, threshold, kind);
      break;
  }
  static const std::array<const char*, 4> kSuffixes = {"_R", "_G", "_B", "_I"};
  std::vector<ApplyResult> out;
  for (size_t i = 0; i < results.size(); ++i) out.push_back({kSuffixes[i], std::move(results[i]), true});
  return out;
}

// The rotation and scaling engines read any layout as its 24-bit form and
// leave the source as it is, so no 24-bit copy is made here.
std::vector<ApplyResult> RunRotate90(const std::vector<std::string>&, const RasterImage& source, CliRun&) {
  return One(RotateImage90(source));
}

std::vector<ApplyResult> RunRotate(const std::vector<std::string>& a, const RasterImage& source,
                                   CliRun& run) {
  // Whole degrees, the dialog's track bar range.
  const int degrees = ParseInt(a[0], "rotate");
  if (degrees < -360 || degrees > 360) throw UsageError("rotate takes -360 to 360 degrees");
  return One(RotateImage(source, run.args.Has("--fit"), degrees));
}

std::vector<ApplyResult> RunScale(const std::vector<std::string>& a, const RasterImage& source, CliRun&) {
  static const std::array<int, 11> kTags = {25, 50, 75, 100, 125, 150, 175, 200, 300, 400, 500};
  const int tag = ParseInt(a[0], "scale");
  if (std::find(kTags.begin(), kTags.end(), tag) == kTags.end())
    throw UsageError("scale takes a menu percentage: 25, 50, 75, 100, 125, 150, 175, 200, 300, 400 or 500");
  return One(ScaleByMenuTag(source, tag));
}

std::vector<ApplyResult> RunReduce(const std::vector<std::string>& a, const RasterImage& source, CliRun&) {
  const double f = ParseReal(a[0], "reduce");
  if (!(f >= 1) || !std::isfinite(f)) throw UsageError("reduce takes a factor of at least 1");
  return One(ReduceImage(source, f, f));
}

std::vector<ApplyResult> RunMagnify(const std::vector<std::string>& a, const RasterImage& source, CliRun&) {
  const double f = ParseReal(a[0], "magnify");
  if (!(f >= 1) || !std::isfinite(f)) throw UsageError("magnify takes a factor of at least 1");
  return One(MagnifyImage(source, f, f));
}

const ApplyRegistration kDither({"dither",
                                 "KIND [--threshold T]   (writes OUT_R, OUT_G, OUT_B, OUT_I)",
                                 1,
                                 {"--threshold"},
                                 {},
                                 RunDither});
const ApplyRegistration kRotate90({"rotate90", "", 0, {}, {}, RunRotate90});
const ApplyRegistration kRotate({"rotate", "DEG [--fit]", 1, {}, {"--fit"}, RunRotate});
const ApplyRegistration kScale({"scale", "TAG", 1, {}, {}, RunScale});
const ApplyRegistration kReduce({"reduce", "F", 1, {}, {}, RunReduce});
const ApplyRegistration kMagnify({"magnify", "F", 1, {}, {}, RunMagnify});

}  // namespace

}  // namespace tessalin::cli
