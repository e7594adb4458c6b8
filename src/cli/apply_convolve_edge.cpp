// apply convolve KIND --channel C [--bias N] | apply edge KIND --channel C [--bias N].
#include "cli/cli_common.h"
#include "cli/kind_names.h"
#include "processing/convolve.h"
#include "processing/edge.h"

namespace tessalin::cli {

namespace {

struct FilterArguments {
  int kind = 0, channel = 0, bias = 0;
};

FilterArguments ParseFilterArguments(const std::string& name, const KindTable& kinds,
                                     const std::string& kindText, const ParsedArgs& args) {
  FilterArguments f;
  f.kind = ParseKind(kinds, kindText, name + " KIND");
  if (!args.values.count("--channel"))
    throw UsageError(name + " needs --channel C (r, g, b, rgb, h, s, i or hsi, or 0 to 7)");
  f.channel = ParseKind(OutputChannels(), args.Value("--channel", ""), "--channel");
  f.bias = args.IntValue("--bias", 0);
  return f;
}

ApplyStep PrepareConvolve(const std::vector<std::string>& a, const ParsedArgs& args) {
  const FilterArguments f = ParseFilterArguments("convolve", ConvolveKinds(), a[0], args);
  return [f](RasterImage source, SharedState& state) {
    // The dialogs write their offset into the shared bias, which a later WBMP save uses.
    state.SharedBias = f.bias;
    return OneResult(ConvolvePicture(To24Bit(std::move(source)), f.channel, f.kind, f.bias));
  };
}

ApplyStep PrepareEdge(const std::vector<std::string>& a, const ParsedArgs& args) {
  const FilterArguments f = ParseFilterArguments("edge", EdgeKinds(), a[0], args);
  return [f](RasterImage source, SharedState& state) {
    state.SharedBias = f.bias;
    EdgeSource prepared;
    PrepareConvolveSource(prepared, To24Bit(std::move(source)), f.channel >= 4);
    RasterImage result = EdgeChannel(prepared, f.kind, f.channel, f.bias);
    ReleaseWorkBuffers(prepared);
    return OneResult(std::move(result));
  };
}

std::vector<OptionSpec> FilterOptions() {
  return {
      {"--channel", "C", "the output channel, by name or number (required)"},
      {"--bias", "N", "the offset added to every result (default 0); a .wbmp OUT is written with it too"}};
}

std::string FilterDetails(const KindTable& kinds) {
  return "KIND, by name or number:\n" + KindHelp(kinds) + "\nC, by name or number:\n" +
         KindHelp(OutputChannels());
}

const ApplyRegistration kConvolve({"convolve",
                                   "a 3 x 3 convolution kernel",
                                   {"KIND"},
                                   FilterOptions(),
                                   [] { return FilterDetails(ConvolveKinds()); },
                                   PrepareConvolve});
const ApplyRegistration kEdge({"edge",
                               "a non-linear edge operator",
                               {"KIND"},
                               FilterOptions(),
                               [] { return FilterDetails(EdgeKinds()); },
                               PrepareEdge});

}  // namespace

}  // namespace tessalin::cli
