// apply pixel-format | rgb-model | hsi-model | etc-model | mirror.
#include "cli/cli_common.h"
#include "cli/kind_names.h"
#include "core/pixel_ops.h"

namespace tessalin::cli {

namespace {

using ModelFn = RasterImage (*)(int, const RasterImage&);

std::string KindDetails(const KindTable& table) { return "KIND, by name or number:\n" + KindHelp(table); }

ApplyOperation ModelOperation(const std::string& name, const std::string& summary, ModelFn fn,
                              const KindTable& (*table)()) {
  return {name,
          summary,
          {"KIND"},
          {},
          [table] { return KindDetails(table()); },
          [name, fn, table](const std::vector<std::string>& a, const ParsedArgs&) -> ApplyStep {
            const int kind = ParseKind(table(), a[0], name + " KIND");
            return [fn, kind](RasterImage source, SharedState&) {
              return OneResult(fn(kind, To24Bit(std::move(source))));
            };
          }};
}

ApplyStep PreparePixelFormat(const std::vector<std::string>& a, const ParsedArgs&) {
  const int format = ParseKind(PixelFormats(), a[0], "pixel-format FORMAT");
  // Starts from the picture's own format, as the document's command does.
  return [format](RasterImage source, SharedState&) {
    ConvertPixelFormat(format, source);
    return OneResult(std::move(source));
  };
}

const ApplyRegistration kPixelFormat({"pixel-format",
                                      "convert to another pixel format",
                                      {"FORMAT"},
                                      {},
                                      [] {
                                        return "FORMAT, by name or number:\n" + KindHelp(PixelFormats());
                                      },
                                      PreparePixelFormat});
const ApplyRegistration kRgbModel(ModelOperation("rgb-model", "one RGB channel as grey, or all three",
                                                 RGBModelImage, RgbModelKinds));
const ApplyRegistration kHsiModel(ModelOperation("hsi-model", "one HSI channel as grey, or the HSI composite",
                                                 HSIModelImage, HsiModelKinds));
const ApplyRegistration kEtcModel(ModelOperation("etc-model", "grey scale, monochrome or inverse",
                                                 EtcModelImage, EtcModelKinds));
const ApplyRegistration kMirror(ModelOperation("mirror", "mirror left to right or top to bottom", MirrorImage,
                                               MirrorKinds));

}  // namespace

}  // namespace tessalin::cli
