// apply channel: the channel dialog's track-bar correction.
#include <cmath>
#include <string>

#include "cli/cli_common.h"
#include "processing/channel.h"

namespace tessalin::cli {

namespace {

int Offset(const CliRun& run, const std::string& option, int limit) {
  const int value = run.args.IntValue(option, 0);
  if (value < -limit || value > limit)
    throw UsageError(option + " must be " + std::to_string(-limit) + " to " + std::to_string(limit));
  return value;
}

std::vector<ApplyResult> RunChannel(const std::vector<std::string>&, const RasterImage& source, CliRun& run) {
  ChannelOffsets offsets;
  offsets.r = Offset(run, "--r", 255);
  offsets.g = Offset(run, "--g", 255);
  offsets.b = Offset(run, "--b", 255);
  offsets.h = Offset(run, "--h", 360);
  offsets.i = Offset(run, "--i", 255);
  // The dialog's S bar moves in steps of 1/10000.
  const double s = run.args.RealValue("--s", 0);
  if (!(s >= -1 && s <= 1)) throw UsageError("--s must be -1 to 1");
  offsets.s = std::nearbyint(s * 10000) / 10000;
  std::vector<ApplyResult> out;
  out.push_back({"", ApplyChannelCorrection(To24Bit(source), offsets)});
  return out;
}

const ApplyRegistration kChannel({"channel",
                                  "[--r N] [--g N] [--b N] [--h N] [--s X] [--i N]",
                                  0,
                                  {"--r", "--g", "--b", "--h", "--s", "--i"},
                                  {},
                                  RunChannel});

}  // namespace

}  // namespace tessalin::cli
