// apply dither | rotate90 | rotate | scale | reduce | magnify.
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "cli/cli_common.h"
#include "cli/kind_names.h"
#include "processing/dither.h"
#include "processing/rotate.h"
#include "processing/scale.h"

namespace tessalin::cli {

namespace {

ApplyStep PrepareDither(const std::vector<std::string>& a, const ParsedArgs& args) {
  const int kind = ParseKind(DitherMethods(), a[0], "dither METHOD");
  // The dialog's threshold field.
  const int threshold = args.IntValue("--threshold", 128);
  if (threshold < -255 || threshold > 255) throw UsageError("--threshold must be -255 to 255");
  DiffusionOptions options;
  options.strength = args.IntValue("--strength", 100);
  if (options.strength < 0 || options.strength > 100) throw UsageError("--strength must be 0 to 100");
  options.linearLight = args.Has("--linear");
  if (!options.IsPlain() && !IsErrorDiffusionKind(kind))
    throw UsageError("--strength and --linear go with the error-diffusion methods only");
  std::optional<int> channel;
  if (args.values.count("--channel"))
    channel = ParseKind(DitherChannels(), args.Value("--channel", ""), "--channel");
  return [kind, threshold, options, channel](RasterImage source, SharedState& state) {
    state.DitherKind = kind;
    state.DitherThreshold = threshold;
    // Any layout is read as its 24-bit form; the results stay packed.
    PackedDitherResults results = DitherByKindPacked(source, kind, threshold, options);
    static const std::array<const char*, 4> kSuffixes = {"_R", "_G", "_B", "_I"};
    std::vector<ApplyResult> out;
    for (size_t i = 0; i < results.size(); ++i)
      if (!channel || *channel == static_cast<int>(i))
        out.push_back({channel ? "" : kSuffixes[i], std::move(results[i]), true});
    return out;
  };
}

// The rotation and scaling engines read any layout as its 24-bit form, so
// no 24-bit copy is made for them.
ApplyStep PrepareRotate90(const std::vector<std::string>&, const ParsedArgs&) {
  return
      [](RasterImage source, SharedState&) { return OneResult(RotateImage90(source)); };
}

ApplyStep PrepareRotate(const std::vector<std::string>& a, const ParsedArgs& args) {
  // Whole degrees, the dialog's track bar range.
  const int degrees = ParseInt(a[0], "rotate DEGREES");
  if (degrees < -360 || degrees > 360) throw UsageError("rotate takes -360 to 360 degrees");
  const bool fit = args.Has("--fit");
  return [degrees, fit](RasterImage source, SharedState&) {
    return OneResult(RotateImage(source, fit, degrees));
  };
}

ApplyStep PrepareScale(const std::vector<std::string>& a, const ParsedArgs&) {
  static const std::array<int, 11> kTags = {25, 50, 75, 100, 125, 150, 175, 200, 300, 400, 500};
  const int tag = ParseInt(a[0], "scale PERCENT");
  if (std::find(kTags.begin(), kTags.end(), tag) == kTags.end())
    throw UsageError("scale takes a menu percentage: 25, 50, 75, 100, 125, 150, 175, 200, 300, 400 or 500");
  return [tag](RasterImage source, SharedState&) {
    return OneResult(ScaleByMenuTag(source, tag));
  };
}

double Factor(const std::string& text, const std::string& name) {
  const double f = ParseReal(text, name + " FACTOR");
  if (!(f >= 1) || !std::isfinite(f)) throw UsageError(name + " takes a factor of at least 1");
  return f;
}

ApplyStep PrepareReduce(const std::vector<std::string>& a, const ParsedArgs&) {
  const double f = Factor(a[0], "reduce");
  return [f](RasterImage source, SharedState&) {
    return OneResult(ReduceImage(source, f, f));
  };
}

ApplyStep PrepareMagnify(const std::vector<std::string>& a, const ParsedArgs&) {
  const double f = Factor(a[0], "magnify");
  return [f](RasterImage source, SharedState&) {
    return OneResult(MagnifyImage(source, f, f));
  };
}

ApplyOperation DitherOperation() {
  ApplyOperation op;
  op.name = "dither";
  op.summary = "dither to black and white: the R, G, B and I pictures, or one --channel";
  op.arguments = {"METHOD"};
  op.options = {
      {"--threshold", "T", "the threshold, -255 to 255 (default 128); the ordered methods ignore it"},
      {"--strength", "P", "error diffusion: carry P % of the error, 0 to 100 (default 100)"},
      {"--linear", "", "error diffusion in linear light (the threshold then a level of light)"},
      {"--channel", "C", "write only the picture of channel C (r, g, b or i) to OUT"}};
  op.details = [] {
    return "Without --channel it writes four pictures: OUT_R.EXT, OUT_G.EXT, OUT_B.EXT and OUT_I.EXT\n"
           "(DIR/NAME_R.EXT ... with -o).\n\n"
           "METHOD, by name or number:\n" +
           KindHelp(DitherMethods());
  };
  op.prepare = PrepareDither;
  op.writesSeveral = [](const ParsedArgs& args) { return !args.values.count("--channel"); };
  return op;
}

ApplyOperation RotateOperation() {
  ApplyOperation op;
  op.name = "rotate";
  op.summary = "turn by whole degrees, bilinear";
  op.arguments = {"DEGREES"};
  op.options = {
      {"--fit", "", "enlarge the canvas to hold the whole turned picture (here --fit takes no size)"}};
  op.details = [] { return std::string("DEGREES is -360 to 360; positive turns clockwise.\n"); };
  op.prepare = PrepareRotate;
  op.ownFit = true;
  return op;
}

const ApplyRegistration kDither(DitherOperation());
const ApplyRegistration kRotate(RotateOperation());
const ApplyRegistration kRotate90(
    {"rotate90", "turn a quarter, clockwise", {}, {}, nullptr, PrepareRotate90});
const ApplyRegistration kScale(
    {"scale",
     "the document's scale menu",
     {"PERCENT"},
     {},
     [] {
       return std::string(
           "PERCENT is 25, 50, 75 or 100 (reduction by block means) or 125, 150, 175,\n"
           "200, 300, 400 or 500 (magnification by nearest pixel).\n");
     },
     PrepareScale});
const ApplyRegistration kReduce(
    {"reduce",
     "reduce by block means",
     {"FACTOR"},
     {},
     [] { return std::string("FACTOR is at least 1, the same for both directions.\n"); },
     PrepareReduce});
const ApplyRegistration kMagnify(
    {"magnify",
     "magnify by nearest pixel",
     {"FACTOR"},
     {},
     [] { return std::string("FACTOR is at least 1, the same for both directions.\n"); },
     PrepareMagnify});

}  // namespace

}  // namespace tessalin::cli
