// apply pixel-format | rgb-model | hsi-model | etc-model | mirror.
#include "cli/cli_common.h"
#include "core/pixel_ops.h"

namespace tessalin::cli {

namespace {

using ModelFn = RasterImage (*)(int, const RasterImage&);

ApplyOperation ModelOperation(const std::string& name, ModelFn fn, int maxKind) {
  return {name, "K", 1, {}, {},
          [name, fn, maxKind](const std::vector<std::string>& a, const RasterImage& source, CliRun&) {
            const int kind = ParseInt(a[0], name);
            if (kind < 0 || kind > maxKind) throw UsageError(name + " kind must be 0 to " + std::to_string(maxKind));
            std::vector<ApplyResult> out;
            // The operations never change their argument: a 24-bit picture needs no copy.
            out.push_back({"", source.Format() == PixelFormat::pf24Bit ? fn(kind, source) : fn(kind, To24Bit(source))});
            return out;
          }};
}

std::vector<ApplyResult> RunPixelFormat(const std::vector<std::string>& a, const RasterImage& source, CliRun&) {
  const int format = ParseInt(a[0], "pixel-format");
  if (format < 0 || format > 7) throw UsageError("pixel-format must be 0 to 7");
  // Starts from the picture's own format, as the document's command does.
  RasterImage copy;
  copy.Assign(source);
  ConvertPixelFormat(format, copy);
  std::vector<ApplyResult> out;
  out.push_back({"", std::move(copy)});
  return out;
}

const ApplyRegistration kPixelFormat({"pixel-format", "N", 1, {}, {}, RunPixelFormat});
const ApplyRegistration kRgbModel(ModelOperation("rgb-model", RGBModelImage, 3));
const ApplyRegistration kHsiModel(ModelOperation("hsi-model", HSIModelImage, 3));
const ApplyRegistration kEtcModel(ModelOperation("etc-model", EtcModelImage, 2));
const ApplyRegistration kMirror(ModelOperation("mirror", MirrorImage, 1));

}  // namespace

}  // namespace tessalin::cli
