// Inputs kept from fuzzing (tests/reliability/data) and the known-bad seeds of
// the fuzz corpus: each must load cleanly, and the damaged ones must be refused.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include "core/tessalin_error.h"
#include "formats/gif_codec.h"
#include "reliability/reliability_support.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

namespace fs = std::filesystem;

const std::map<std::string, std::string> kTargetExtension = {
    {"wbmp", ".wbmp"},      {"bmp", ".bmp"},  {"jpeg", ".jpg"},  {"gif", ".gif"},
    {"gif_frames", ".gif"}, {"icon", ".ico"}, {"emf", ".emf"},   {"wmf", ".wmf"},
    {"raw", ".raw"},        {"png", ".png"},  {"netpbm", ".pnm"}, {"xbm", ".xbm"}};

// Damaged seeds that a reader may still turn into a picture.
const std::set<std::string> kMayLoad = {
    "bmp/bad_file_size_field",             // the field is advisory
    "wmf/bad_not_placeable_huge_record",   // so is the header's file size
};

struct Case {
  std::string label, target;
  fs::path file;
  bool mustRefuse;
};

std::vector<Case> Cases() {
  std::vector<Case> cases;
  const fs::path data = fs::path(TESSALIN_TEST_DATA_DIR).parent_path() / "reliability" / "data";
  if (fs::exists(data))
    for (const auto& entry : fs::directory_iterator(data)) {
      // Named <target>-<what>: the target names the reader.
      const std::string name = entry.path().filename().string();
      const std::string target = name.substr(0, name.find('-'));
      if (kTargetExtension.count(target)) cases.push_back({"data/" + name, target, entry.path(), false});
    }
  const fs::path corpus = fs::path(TESSALIN_TEST_DATA_DIR).parent_path().parent_path() / "fuzz" / "corpus";
  for (const auto& [target, ext] : kTargetExtension) {
    if (!fs::exists(corpus / target)) continue;
    for (const auto& entry : fs::directory_iterator(corpus / target)) {
      const std::string label = target + "/" + entry.path().filename().string();
      const bool bad = entry.path().filename().string().rfind("bad_", 0) == 0;
      cases.push_back({label, target, entry.path(), bad && !kMayLoad.count(label)});
    }
  }
  return cases;
}

TEST(RegressionInputs, EveryKeptInputEndsCleanly) {
  test::TempDir dir;
  const std::vector<Case> cases = Cases();
  ASSERT_GT(cases.size(), 60u) << "the fuzz corpus is missing";
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = test::ReadBytes(c.file.string());
    int width = 0, height = 0, layout = 1;
    if (c.target == "raw") {  // the raw target's first nine bytes are the import answers
      if (bytes.size() < 9) continue;
      int32_t w, h;
      std::memcpy(&w, bytes.data(), 4);
      std::memcpy(&h, bytes.data() + 4, 4);
      width = w, height = h, layout = bytes[8] % 5;
      bytes.erase(bytes.begin(), bytes.begin() + 9);
    }
    const test::LoadOutcome out =
        test::LoadDamaged(dir.File("input" + kTargetExtension.at(c.target)), bytes, width, height, layout);
    EXPECT_EQ(out.fault, "") << c.label;
    if (c.target == "gif_frames") {  // composed up to the last frame, every disposal done, as the browser may
      try {
        const DecodedGif gif = DecodeGif(bytes, c.label);
        ComposeGifScreen(gif, static_cast<int>(gif.frames.size()) - 1);
      } catch (const TessalinError&) {
      }
    }
    if (c.mustRefuse) {
      EXPECT_FALSE(out.picture) << c.label << " loaded as " << out.width << " x " << out.height;
      EXPECT_FALSE(out.message.empty()) << c.label << " was refused without a word";
    }
    // The corpus files are tiny; kept fuzz inputs may declare large (allowed) pictures.
    if (c.label.rfind("data/", 0) != 0) {
      EXPECT_LT(out.largestAllocation, (256u << 20)) << c.label;
    }
  }
}

}  // namespace
}  // namespace tessalin
