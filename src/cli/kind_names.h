// The names beside the numbers: every kind, channel and pixel format the
// command line takes, one table each, read by the parser and the help alike.
// A new kind is one more row.
#pragma once

#include <string>
#include <vector>

namespace tessalin::cli {

struct KindName {
  int number;
  std::string name;         // lower case, hyphenated
  std::string description;  // for the help
};

struct KindTable {
  std::string what;  // "dither method", for messages
  std::vector<KindName> kinds;
  bool numbersAccepted = true;  // false where a number would mean something else
};

const KindTable& DitherMethods();
const KindTable& DitherChannels();  // the four dither results: r, g, b, i
const KindTable& ConvolveKinds();
const KindTable& EdgeKinds();
const KindTable& OutputChannels();  // convolution and edge outputs
const KindTable& PixelFormats();
const KindTable& RgbModelKinds();
const KindTable& HsiModelKinds();
const KindTable& EtcModelKinds();
const KindTable& MirrorKinds();
const KindTable& WizardModes();
const KindTable& WizardSources();
const KindTable& WizardResults();

// `text` as a name of the table or, where accepted, its number. Anything else
// is a UsageError naming `what` (the option or argument) and listing the names.
int ParseKind(const KindTable& table, const std::string& text, const std::string& what);

// Help lines "  floyd-steinberg (2)       Floyd and Steinberg error diffusion".
std::string KindHelp(const KindTable& table);

}  // namespace tessalin::cli
