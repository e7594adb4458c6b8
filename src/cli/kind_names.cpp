#include "cli/kind_names.h"

#include <algorithm>
#include <cctype>

#include "cli/cli_common.h"

namespace tessalin::cli {

const KindTable& DitherMethods() {
  static const KindTable table = {"dither method",
                                  {{0, "clustered-dot", "ordered dither, 2 x 2 matrix"},
                                   {1, "clustered-dot-2", "ordered dither, 4 x 4 matrix"},
                                   {2, "floyd-steinberg", "Floyd and Steinberg error diffusion"},
                                   {3, "jarvis-judice-ninke", "Jarvis, Judice and Ninke error diffusion"},
                                   {4, "stucki", "Stucki error diffusion"},
                                   {5, "threshold", "a plain threshold (the dialog's Custom)"},
                                   {6, "atkinson", "Atkinson error diffusion (a quarter dropped)"},
                                   {7, "burkes", "Burkes error diffusion"},
                                   {8, "sierra", "Sierra error diffusion (three rows)"},
                                   {9, "sierra-two-row", "Sierra two-row error diffusion"},
                                   {10, "sierra-lite", "Sierra Lite error diffusion"},
                                   {11, "bayer-8", "ordered dither, Bayer 8 x 8 matrix"},
                                   {12, "blue-noise", "ordered dither, 64 x 64 blue-noise map"}}};
  return table;
}

const KindTable& DitherChannels() {
  static const KindTable table = {"channel",
                                  {{0, "r", "the red channel dithered"},
                                   {1, "g", "the green channel dithered"},
                                   {2, "b", "the blue channel dithered"},
                                   {3, "i", "the intensity dithered"}},
                                  false};
  return table;
}

const KindTable& ConvolveKinds() {
  static const KindTable table = {
      "convolution",
      {{0, "blurring", "blur, weights 1-2-1 / 2-4-2 / 1-2-1 sixteenths"},
       {1, "sharpening-1", "sharpen, centre 5, four neighbours -1"},
       {2, "sharpening-2", "sharpen, centre 10, eight neighbours -1 (the WBMP writer's)"},
       {3, "sharpening-3", "sharpen, centre 5, edges -2, corners 1"},
       {4, "sharpening-4", "sharpen, centre 8/9, eight neighbours -1/9"},
       {5, "embossing", "emboss"},
       {6, "laplacian-1", "Laplacian, four neighbours"},
       {7, "laplacian-2", "Laplacian, eight neighbours"},
       {8, "conv-edge", "edges by the eight-neighbour Laplacian"},
       {9, "sobel-edge", "Sobel gradient magnitude"},
       {10, "roberts-edge", "Roberts cross magnitude"},
       {11, "prewitt-edge", "Prewitt gradient magnitude"}}};
  return table;
}

const KindTable& EdgeKinds() {
  static const KindTable table = {
      "edge operator",
      {{0, "difference", "largest difference between opposite neighbours"},
       {1, "homogeneity", "largest difference between the pixel and a neighbour"}}};
  return table;
}

const KindTable& OutputChannels() {
  static const KindTable table = {"channel",
                                  {{0, "r", "red, as a grey picture"},
                                   {1, "g", "green, as a grey picture"},
                                   {2, "b", "blue, as a grey picture"},
                                   {3, "rgb", "red, green and blue, in colour"},
                                   {4, "h", "hue, as a grey picture"},
                                   {5, "s", "saturation, as a grey picture"},
                                   {6, "i", "intensity, as a grey picture"},
                                   {7, "hsi", "hue, saturation and intensity back to colour"}}};
  return table;
}

const KindTable& PixelFormats() {
  static const KindTable table = {"pixel format",
                                  {{0, "device", "the display's depth"},
                                   {1, "1bit", "black and white"},
                                   {2, "4bit", "16 colours"},
                                   {3, "8bit", "256 colours"},
                                   {4, "15bit", "5 bits a channel"},
                                   {5, "16bit", "5, 6 and 5 bits"},
                                   {6, "24bit", "8 bits a channel"},
                                   {7, "32bit", "8 bits a channel and an unused byte"}}};
  return table;
}

const KindTable& RgbModelKinds() {
  static const KindTable table = {"channel",
                                  {{0, "r", "red as a grey picture"},
                                   {1, "g", "green as a grey picture"},
                                   {2, "b", "blue as a grey picture"},
                                   {3, "rgb", "all three channels"}}};
  return table;
}

const KindTable& HsiModelKinds() {
  static const KindTable table = {"channel",
                                  {{0, "h", "hue as a grey picture"},
                                   {1, "s", "saturation as a grey picture"},
                                   {2, "i", "intensity as a grey picture"},
                                   {3, "hsi", "H, S and I in the red, green and blue bytes"}}};
  return table;
}

const KindTable& EtcModelKinds() {
  static const KindTable table = {"tone operation",
                                  {{0, "grayscale", "grey scale"},
                                   {1, "monochrome", "black and white by the monochrome rule"},
                                   {2, "inverse", "every byte inverted"}}};
  return table;
}

const KindTable& MirrorKinds() {
  static const KindTable table = {"mirror",
                                  {{0, "vertical", "about the vertical axis: left and right swap"},
                                   {1, "horizontal", "about the horizontal axis: top and bottom swap"}}};
  return table;
}

const KindTable& WizardModes() {
  static const KindTable table = {
      "mode", {{0, "one-click", "every candidate at once"}, {1, "detail", "by the other settings"}}};
  return table;
}

const KindTable& WizardSources() {
  static const KindTable table = {
      "source", {{0, "picture", "a photograph"}, {1, "drawing", "a drawing"}, {2, "icon", "an icon"}}};
  return table;
}

const KindTable& WizardResults() {
  static const KindTable table = {
      "result", {{0, "simple", "the basic candidates"}, {1, "various", "the dithered ones as well"}}};
  return table;
}

int ParseKind(const KindTable& table, const std::string& text, const std::string& what) {
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const KindName& k : table.kinds)
    if (k.name == lower) return k.number;
  const bool digits = !text.empty() && text.size() < 10 &&
                      std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
  if (table.numbersAccepted && digits)
    for (const KindName& k : table.kinds)
      if (k.number == std::stoi(text)) return k.number;
  std::string names;
  for (const KindName& k : table.kinds) names += (names.empty() ? "" : ", ") + k.name;
  const int last = table.kinds.back().number;
  const std::string numbers =
      table.numbersAccepted
          ? " (or its number, 0 " + std::string(last == 1 ? "or " : "to ") + std::to_string(last) + ")"
          : "";
  throw UsageError(what + ": \"" + text + "\" is not a " + table.what + "; use one of " + names + numbers);
}

std::string KindHelp(const KindTable& table) {
  std::vector<std::string> tags;
  size_t width = 0;
  for (const KindName& k : table.kinds) {
    tags.push_back(table.numbersAccepted ? k.name + " (" + std::to_string(k.number) + ")" : k.name);
    width = std::max(width, tags.back().size());
  }
  std::string text;
  for (size_t i = 0; i < tags.size(); ++i)
    text += "  " + tags[i] + std::string(width - tags[i].size() + 3, ' ') + table.kinds[i].description + "\n";
  return text;
}

}  // namespace tessalin::cli
