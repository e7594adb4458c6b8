// apply convolve KIND --channel C [--bias N] | apply edge KIND --channel C [--bias N].
#include "cli/cli_common.h"
#include "processing/convolve.h"
#include "processing/edge.h"

namespace tessalin::cli {

namespace {

struct FilterArguments {
  int kind = 0, channel = 0, bias = 0;
};

FilterArguments ParseFilterArguments(const std::string& name, const std::string& kindText, int kindCount,
                                     CliRun& run) {
  FilterArguments f;
  f.kind = ParseInt(kindText, name);
  if (f.kind < 0 || f.kind >= kindCount)
    throw UsageError(name + " kind must be 0 to " + std::to_string(kindCount - 1));
  if (!run.args.Has("--channel")) throw UsageError(name + " needs --channel C (0 R, 1 G, 2 B, 3 RGB, 4 H, 5 S, 6 I, 7 HSI)");
  f.channel = run.args.IntValue("--channel", 0);
  if (f.channel < 0 || f.channel >= kOutputChannelCount) throw UsageError("--channel must be 0 to 7");
  f.bias = run.args.IntValue("--bias", 0);
  // The dialogs write their offset into the shared bias, which a later WBMP save uses.
  run.state.SharedBias = f.bias;
  return f;
}

std::vector<ApplyResult> RunConvolve(const std::vector<std::string>& a, const RasterImage& source, CliRun& run) {
  const FilterArguments f = ParseFilterArguments("convolve", a[0], kConvolveKindCount, run);
  std::vector<ApplyResult> out;
  if (source.Format() == PixelFormat::pf24Bit) {
    out.push_back({"", ConvolvePicture(source, f.channel, f.kind, f.bias)});
  } else {
    out.push_back({"", ConvolvePicture(To24Bit(source), f.channel, f.kind, f.bias)});
  }
  return out;
}

std::vector<ApplyResult> RunEdge(const std::vector<std::string>& a, const RasterImage& source, CliRun& run) {
  const FilterArguments f = ParseFilterArguments("edge", a[0], kEdgeKindCount, run);
  EdgeSource prepared;
  if (source.Format() == PixelFormat::pf24Bit) PrepareConvolveSource(prepared, source, f.channel >= 4);
  else PrepareConvolveSource(prepared, To24Bit(source), f.channel >= 4);
  std::vector<ApplyResult> out;
  out.push_back({"", EdgeChannel(prepared, f.kind, f.channel, f.bias)});
  ReleaseWorkBuffers(prepared);
  return out;
}

const ApplyRegistration kConvolve({"convolve", "KIND --channel C [--bias N]", 1, {"--channel", "--bias"}, {}, RunConvolve});
const ApplyRegistration kEdge({"edge", "KIND --channel C [--bias N]", 1, {"--channel", "--bias"}, {}, RunEdge});

}  // namespace

}  // namespace tessalin::cli
