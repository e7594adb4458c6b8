// apply channel: the channel dialog's track-bar correction.
#include <cmath>
#include <string>

#include "cli/cli_common.h"
#include "processing/channel.h"

namespace tessalin::cli {

namespace {

int Offset(const ParsedArgs& args, const std::string& option, int limit) {
  const int value = args.IntValue(option, 0);
  if (value < -limit || value > limit)
    throw UsageError(option + " must be " + std::to_string(-limit) + " to " + std::to_string(limit));
  return value;
}

ApplyStep PrepareChannel(const std::vector<std::string>&, const ParsedArgs& args) {
  ChannelOffsets offsets;
  offsets.r = Offset(args, "--r", 255);
  offsets.g = Offset(args, "--g", 255);
  offsets.b = Offset(args, "--b", 255);
  offsets.h = Offset(args, "--h", 360);
  offsets.i = Offset(args, "--i", 255);
  // The dialog's S bar moves in steps of 1/10000.
  const double s = args.RealValue("--s", 0);
  if (!(s >= -1 && s <= 1)) throw UsageError("--s must be -1 to 1");
  offsets.s = std::nearbyint(s * 10000) / 10000;
  return [offsets](RasterImage source, SharedState&) {
    return OneResult(ApplyChannelCorrection(To24Bit(std::move(source)), offsets));
  };
}

const ApplyRegistration kChannel({"channel",
                                  "the channel dialog's corrected picture",
                                  {},
                                  {{"--r", "N", "red offset, -255 to 255"},
                                   {"--g", "N", "green offset, -255 to 255"},
                                   {"--b", "N", "blue offset, -255 to 255"},
                                   {"--h", "N", "hue offset in degrees, -360 to 360"},
                                   {"--s", "X", "saturation offset, -1 to 1 in steps of 0.0001"},
                                   {"--i", "N", "intensity offset, -255 to 255"}},
                                  nullptr,
                                  PrepareChannel});

}  // namespace

}  // namespace tessalin::cli
