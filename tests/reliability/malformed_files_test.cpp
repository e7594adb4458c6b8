// Damaged copies of a valid file of every format: cut at every header boundary
// and at random points, bit-flipped, with absurd size fields. Each load ends in
// a clear error naming the file or a sound picture, quickly, and never asks for
// memory the file cannot justify.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>

#include "core/limits.h"
#include "core/tessalin_error.h"
#include "formats/formats_fixtures.h"
#include "formats/image_files.h"
#include "reliability/reliability_support.h"

namespace tessalin {
namespace {

using test::FileHarness;
using test::LoadDamaged;
using test::LoadOutcome;
using test::Quote;
using test::ReadBytes;
using test::RunCommand;
using test::TempDir;
using test::WritePpm;

// A size field of a format: where it sits and how wide it is.
struct Field {
  size_t offset;
  int bytes;
  bool bigEndian = false;
};

struct Seed {
  std::string name;  // for messages
  std::string ext;
  std::vector<uint8_t> bytes;
  std::vector<size_t> boundaries = {};  // header and record boundaries
  std::vector<Field> sizeFields = {};
  bool uncompressed = false;       // the file must hold every pixel it declares
  int rawWidth = 0, rawHeight = 0, rawLayout = 1;
  bool wizardOpen = false;  // several GIF frames: decode them all into one picture
  bool png = false;         // damaged copies get sound checksums now and then, to reach the decoder
};

unsigned Le16(const std::vector<uint8_t>& b, size_t p) { return b[p] | (b[p + 1] << 8); }
uint32_t Le32(const std::vector<uint8_t>& b, size_t p) {
  return b[p] | (b[p + 1] << 8) | (b[p + 2] << 16) | (static_cast<uint32_t>(b[p + 3]) << 24);
}

void Patch(std::vector<uint8_t>& b, const Field& f, uint64_t value) {
  for (int i = 0; i < f.bytes; ++i) {
    const int shift = 8 * (f.bigEndian ? f.bytes - 1 - i : i);
    if (f.offset + i < b.size()) b[f.offset + i] = static_cast<uint8_t>(value >> shift);
  }
}

std::vector<size_t> BmpBoundaries(const std::vector<uint8_t>& b) {
  std::vector<size_t> at = {2, 6, 10, 14, 18, 22, 26, 28, 30, 34, 38, 42, 46, 50, 54};
  const size_t offBits = Le32(b, 10);
  at.push_back(offBits);
  const int64_t stride = ((static_cast<int64_t>(Le32(b, 18)) * Le16(b, 28) + 31) / 32) * 4;
  for (int row = 1; row < 4; ++row) at.push_back(offBits + row * stride);
  return at;
}

std::vector<Field> BmpFields() {
  return {{10, 4}, {14, 4}, {18, 4}, {22, 4}, {28, 2}, {30, 4}, {46, 4}};
}

std::vector<size_t> JpegBoundaries(const std::vector<uint8_t>& b, size_t& sof) {
  std::vector<size_t> at = {1, 2};
  size_t pos = 2;
  while (pos + 4 <= b.size() && b[pos] == 0xFF) {
    const uint8_t marker = b[pos + 1];
    const size_t length = (b[pos + 2] << 8) | b[pos + 3];
    at.insert(at.end(), {pos + 1, pos + 2, pos + 4});
    if (marker == 0xC0 || marker == 0xC2) sof = pos;
    if (marker == 0xDA) {
      at.insert(at.end(), {pos + 2 + length, pos + 2 + length + 1, pos + 2 + length + 16});
      break;
    }
    pos += 2 + length;
  }
  at.push_back(b.size() - 2);  // the end marker
  return at;
}

// Walks the blocks after the header and global colour table.
void GifBoundaries(const std::vector<uint8_t>& b, std::vector<size_t>& at, std::vector<Field>& fields) {
  at = {3, 6, 8, 10, 11, 13};
  fields = {{6, 2}, {8, 2}};
  size_t pos = 13;
  if (b[10] & 0x80) pos += 3u << ((b[10] & 7) + 1);
  at.push_back(pos);
  auto skipBlocks = [&](size_t p) {
    while (p < b.size() && b[p] != 0) {
      at.push_back(p);
      p += 1 + b[p];
    }
    return p + 1;
  };
  while (pos < b.size() && b[pos] != 0x3B) {
    at.push_back(pos);
    if (b[pos] == 0x21) {
      pos = skipBlocks(pos + 2);
    } else if (b[pos] == 0x2C) {
      fields.insert(fields.end(), {{pos + 1, 2}, {pos + 3, 2}, {pos + 5, 2}, {pos + 7, 2}, {pos + 10, 1}});
      at.insert(at.end(), {pos + 1, pos + 5, pos + 9, pos + 10});
      size_t p = pos + 10;
      if (b[pos + 9] & 0x80) p += 3u << ((b[pos + 9] & 7) + 1);
      fields.back().offset = p;  // the minimum code size
      at.push_back(p);
      pos = skipBlocks(p + 1);
    } else {
      break;
    }
  }
}

void IconBoundaries(const std::vector<uint8_t>& b, std::vector<size_t>& at, std::vector<Field>& fields) {
  const unsigned count = Le16(b, 4);
  at = {2, 4, 6};
  fields = {{4, 2}};
  for (unsigned i = 0; i < count && 6 + 16 * (i + 1) <= b.size(); ++i) {
    const size_t e = 6 + 16 * i;
    const size_t offset = Le32(b, e + 12);
    at.insert(at.end(), {e, e + 8, e + 12, e + 16, offset, offset + 4, offset + 8, offset + 16, offset + 40});
    fields.insert(fields.end(), {{e, 1}, {e + 1, 1}, {e + 8, 4}, {e + 12, 4}});
    if (offset + 40 <= b.size() && Le32(b, offset) == 40)
      fields.insert(fields.end(), {{offset, 4}, {offset + 4, 4}, {offset + 8, 4}, {offset + 14, 2}, {offset + 32, 4}});
  }
}

void EmfBoundaries(const std::vector<uint8_t>& b, std::vector<size_t>& at, std::vector<Field>& fields) {
  for (size_t pos = 0; pos + 8 <= b.size();) {
    at.insert(at.end(), {pos, pos + 4, pos + 8});
    const size_t size = Le32(b, pos);
    if (size < 8) break;
    if (pos > 0) fields.push_back({pos + 4, 4});  // record sizes
    pos += Le32(b, pos + 4) < 8 ? b.size() : Le32(b, pos + 4);
  }
  for (size_t p = 8; p < 40; p += 4) fields.push_back({p, 4});  // bounds and frame
  fields.insert(fields.end(), {{4, 4}, {48, 4}, {52, 4}, {72, 4}, {76, 4}, {80, 4}, {84, 4}});
}

void PngBoundaries(const std::vector<uint8_t>& b, std::vector<size_t>& at, std::vector<Field>& fields) {
  at = {8};
  fields = {
      {16, 4, true}, {20, 4, true}, {24, 1}, {25, 1}, {28, 1}};  // width, height, depth, type, interlace
  for (size_t pos = 8; pos + 12 <= b.size();) {
    const size_t length = (size_t{b[pos]} << 24) | (b[pos + 1] << 16) | (b[pos + 2] << 8) | b[pos + 3];
    at.insert(at.end(), {pos + 4, pos + 8, pos + 8 + length, pos + 12 + length});
    fields.push_back({pos, 4, true});
    pos += 12 + length;
  }
}

// Every byte of a netpbm header, then the first rows.
std::vector<size_t> NetpbmBoundaries(const std::vector<uint8_t>& b, size_t rowBytes) {
  std::vector<size_t> at;
  for (size_t i = 1; i < std::min<size_t>(b.size(), 80); ++i) at.push_back(i);
  for (int row = 1; row < 4; ++row) at.push_back(b.size() - rowBytes * (17 - row));
  return at;
}

void WmfBoundaries(const std::vector<uint8_t>& b, std::vector<size_t>& at, std::vector<Field>& fields) {
  const bool placeable = Le32(b, 0) == 0x9AC6CDD7u;
  const size_t start = placeable ? 22 : 0;
  at = {4, 6, 14, 16, 22, start + 2, start + 6, start + 10, start + 18};
  fields = {{start + 6, 4}, {start + 12, 4}, {start + 16, 2}};
  if (placeable)
    for (size_t p = 6; p <= 14; p += 2) fields.push_back({p, 2});
  for (size_t pos = start + 18; pos + 6 <= b.size();) {
    at.insert(at.end(), {pos, pos + 4, pos + 6});
    fields.push_back({pos, 4});
    const uint64_t words = Le32(b, pos);
    if (words < 3) break;
    // The bitmap record's size fields: the DIB header sits after the record's own words.
    if (Le16(b, pos + 4) == 0x0F43 && pos + 28 + 40 <= b.size())
      fields.insert(fields.end(), {{pos + 28 + 4, 4}, {pos + 28 + 8, 4}, {pos + 28 + 14, 2}});
    pos += 2 * words;
  }
}

class MalformedFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir();
    seeds_ = new std::vector<Seed>();
    const std::string ppm = dir_->File("in.ppm");
    WritePpm(ppm, 23, 17, test::Pattern);
    FileHarness h;
    RasterImage picture = test::MakeRandom24(23, 17, 7);
    auto ours = [&](const std::string& name) {
      const std::string path = dir_->File(name);
      EXPECT_TRUE(SaveImageFile(path, picture, h.context)) << name;
      return ReadBytes(path);
    };
    // `command` ends where the output file's name goes (a prefix such as "bmp3:" included).
    auto theirs = [&](const std::string& command, const std::string& name) {
      EXPECT_EQ(RunCommand(command + Quote(dir_->File(name))), 0) << command;
      return ReadBytes(dir_->File(name));
    };

    {  // WBMP: fields are multi-byte integers, made absurd separately.
      Seed s{"our wbmp", ".wbmp", ours("a.wbmp")};
      s.boundaries = {1, 2, 3, 4, 5, 8, 11};
      s.uncompressed = true;
      seeds_->push_back(s);
    }
    for (auto [name, bytes] : {std::pair{std::string("our bmp"), ours("a.bmp")},
                               {"ImageMagick 4-bit bmp", theirs("convert " + Quote(ppm) + " -colors 12 -type Palette bmp3:", "b4.bmp")},
                               {"ImageMagick 1-bit bmp", theirs("convert " + Quote(ppm) + " -monochrome bmp3:", "b1.bmp")}}) {
      Seed s{name, ".bmp", bytes};
      s.boundaries = BmpBoundaries(bytes);
      s.sizeFields = BmpFields();
      s.uncompressed = true;
      seeds_->push_back(s);
    }
    {
      const auto bytes = theirs("convert " + Quote(ppm) + " -compress RLE -type Palette bmp3:", "r8.bmp");
      Seed s{"ImageMagick RLE8 bmp", ".bmp", bytes};
      s.boundaries = BmpBoundaries(bytes);
      s.sizeFields = BmpFields();
      seeds_->push_back(s);
    }
    for (auto [name, bytes] : {std::pair{std::string("our jpeg"), ours("a.jpg")},
                               {"cjpeg progressive", theirs("cjpeg -progressive " + Quote(ppm) + " > ", "p.jpg")}}) {
      Seed s{name, ".jpg", bytes};
      size_t sof = 0;
      s.boundaries = JpegBoundaries(bytes, sof);
      if (sof) s.sizeFields = {{sof + 2, 2, true}, {sof + 4, 1}, {sof + 5, 2, true}, {sof + 7, 2, true}, {sof + 9, 1}};
      seeds_->push_back(s);
    }
    for (auto [name, bytes] :
         {std::pair{std::string("our gif"), ours("a.gif")},
          {"ImageMagick animated gif",
           theirs("convert -delay 5 " + Quote(ppm) + " \\( " + Quote(ppm) + " -crop 9x7+3+2 \\) -loop 0 ", "an.gif")}}) {
      Seed s{name, ".gif", bytes};
      GifBoundaries(bytes, s.boundaries, s.sizeFields);
      s.wizardOpen = true;
      seeds_->push_back(s);
    }
    for (auto [name, bytes] : {std::pair{std::string("our icon"), ours("a.ico")},
                               {"ImageMagick icon", theirs("convert " + Quote(ppm) + " -colors 16 ", "m.ico")}}) {
      Seed s{name, ".ico", bytes};
      IconBoundaries(bytes, s.boundaries, s.sizeFields);
      s.uncompressed = true;
      seeds_->push_back(s);
    }
    {
      Seed s{"our emf", ".emf", ours("a.emf")};
      EmfBoundaries(s.bytes, s.boundaries, s.sizeFields);
      seeds_->push_back(s);
    }
    {
      Seed s{"our wmf", ".wmf", ours("a.wmf")};
      WmfBoundaries(s.bytes, s.boundaries, s.sizeFields);
      seeds_->push_back(s);
    }
    for (auto [name, bytes] :
         {std::pair{std::string("our png"), ours("a.png")},
          {"ImageMagick interlaced palette png",
           theirs("convert " + Quote(ppm) + " -colors 12 -interlace PNG PNG8:", "i.png")},
          {"ImageMagick 16-bit rgba png",
           theirs("convert " + Quote(ppm) + " -alpha set PNG64:", "a64.png")}}) {
      Seed s{name, ".png", bytes};
      PngBoundaries(bytes, s.boundaries, s.sizeFields);
      s.png = true;
      seeds_->push_back(s);
    }
    for (auto [name, bytes, ext, rowBytes] :
         {std::tuple{std::string("our ppm"), ours("a.ppm"), std::string(".ppm"), size_t{69}},
          {"our pam", ours("a.pam"), ".pam", 69},
          {"netpbm plain pgm", theirs("ppmtopgm " + Quote(ppm) + " | pnmtoplainpnm > ", "p.pgm"), ".pgm", 0},
          {"netpbm pbm", theirs("ppmtopgm " + Quote(ppm) + " | pgmtopbm > ", "b.pbm"), ".pbm", 3}}) {
      Seed s{name, ext, bytes};
      s.boundaries = NetpbmBoundaries(bytes, rowBytes);
      s.uncompressed = rowBytes > 0;
      seeds_->push_back(s);
    }
    {
      Seed s{"raw 24-bit", ".raw", ours("a.raw")};  // written as 8-bit grey, read back as 23 x 17 x 8
      for (int row = 1; row < 17; ++row) s.boundaries.push_back(23u * row);
      s.uncompressed = true;
      s.rawWidth = 23, s.rawHeight = 17, s.rawLayout = 1;
      seeds_->push_back(s);
    }
  }

  static void TearDownTestSuite() {
    for (const auto& [ext, line] : summary_) std::cout << "[reliability] " << ext << ": " << line.Text() << "\n";
    delete seeds_;
    delete dir_;
  }

  struct Tally {
    int inputs = 0, refused = 0, loaded = 0;
    double slowest = 0;
    size_t largest = 0;
    std::string Text() const {
      return std::to_string(inputs) + " inputs, " + std::to_string(refused) + " refused, " +
             std::to_string(loaded) + " loaded, slowest " + std::to_string(slowest) + " s, largest allocation " +
             std::to_string(largest) + " bytes";
    }
  };

  // One damaged copy; returns its outcome after the checks every load must pass.
  LoadOutcome Check(const Seed& seed, const std::vector<uint8_t>& bytes, const std::string& what,
                    int rawWidth = -1, int rawHeight = -1) {
    const std::string path = dir_->File("damaged" + seed.ext);
    const LoadOutcome out = LoadDamaged(path, bytes, rawWidth < 0 ? seed.rawWidth : rawWidth,
                                        rawHeight < 0 ? seed.rawHeight : rawHeight, seed.rawLayout, seed.wizardOpen);
    EXPECT_EQ(out.fault, "") << seed.name << ", " << what << " (" << bytes.size() << " bytes)";
    Tally& t = summary_[seed.ext];
    ++t.inputs;
    (out.picture ? t.loaded : t.refused) += 1;
    t.slowest = std::max(t.slowest, out.seconds);
    t.largest = std::max(t.largest, out.largestAllocation);
    return out;
  }

  static TempDir* dir_;
  static std::vector<Seed>* seeds_;
  static std::map<std::string, Tally> summary_;
};

TempDir* MalformedFiles::dir_ = nullptr;
std::vector<Seed>* MalformedFiles::seeds_ = nullptr;
std::map<std::string, MalformedFiles::Tally> MalformedFiles::summary_;

TEST_F(MalformedFiles, EverySeedLoadsIntact) {
  for (const Seed& seed : *seeds_) {
    const LoadOutcome out = Check(seed, seed.bytes, "unchanged");
    EXPECT_TRUE(out.picture) << seed.name << ": " << out.message;
  }
}

TEST_F(MalformedFiles, CutAtEveryBoundaryAndAtRandomPoints) {
  std::mt19937 random(11);
  for (const Seed& seed : *seeds_) {
    std::vector<size_t> cuts = seed.boundaries;
    for (size_t extra : {size_t{0}, size_t{1}}) cuts.push_back(extra);
    for (int i = 0; i < 30; ++i) cuts.push_back(random() % seed.bytes.size());
    for (size_t b : seed.boundaries) cuts.insert(cuts.end(), {b - 1, b + 1});
    for (size_t cut : cuts) {
      if (cut >= seed.bytes.size()) continue;
      const std::vector<uint8_t> head(seed.bytes.begin(), seed.bytes.begin() + static_cast<long>(cut));
      const LoadOutcome out = Check(seed, head, "cut at " + std::to_string(cut));
      // A file cut inside its header cannot describe a picture.
      if (cut < 6) {
        EXPECT_FALSE(out.picture) << seed.name << " cut at " << cut;
      }
    }
  }
}

TEST_F(MalformedFiles, FlippedBitsAndOverwrittenBytes) {
  std::mt19937 random(1108);
  for (const Seed& seed : *seeds_) {
    for (int round = 0; round < 250; ++round) {
      std::vector<uint8_t> bad = seed.bytes;
      // Half the rounds hit the first 64 bytes, where sizes and counts live.
      const size_t span = round % 2 ? std::min<size_t>(bad.size(), 64) : bad.size();
      if (round < 150) {
        bad[random() % span] ^= static_cast<uint8_t>(1u << (random() % 8));
      } else {
        for (int i = 0, n = 2 + static_cast<int>(random() % 6); i < n; ++i)
          bad[random() % span] = static_cast<uint8_t>(random());
      }
      if (seed.png && round % 4 < 2) test::FixPngCrcs(bad);
      Check(seed, bad, "damaged copy " + std::to_string(round));
    }
  }
}

TEST_F(MalformedFiles, AbsurdSizeFields) {
  const uint64_t values[] = {0, 1, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
  for (const Seed& seed : *seeds_) {
    for (const Field& field : seed.sizeFields)
      for (uint64_t v : values) {
        std::vector<uint8_t> bad = seed.bytes;
        Patch(bad, field, v);
        if (seed.png) test::FixPngCrcs(bad);
        const LoadOutcome out =
            Check(seed, bad, "field at " + std::to_string(field.offset) + " set to " + std::to_string(v));
        // A file that stores every pixel cannot justify more than a few times its own size.
        if (seed.uncompressed) {
          EXPECT_LT(out.largestAllocation, (64u << 20)) << seed.name << ", field at " << field.offset << " = " << v;
        }
      }
  }
}

// A header past the pixel limit at the start of a 400 MB file (sparse: it costs
// no disk) is refused from the header, before the file is read whole.
TEST_F(MalformedFiles, PastTheLimitRefusedBeforeTheFileIsRead) {
  using Bytes = std::vector<uint8_t>;
  auto le = [](Bytes& b, std::initializer_list<std::pair<uint32_t, int>> fields) {
    for (const auto& [value, bytes] : fields)
      for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(i < 4 ? value >> (8 * i) : 0));
    return b;
  };
  const uint32_t kSide = 20000;  // 400 million pixels
  Bytes bmp = {'B', 'M'}, gif = {'G', 'I', 'F', '8', '9', 'a'}, ico, emf, wmf;
  le(bmp, {{54, 4}, {0, 4}, {54, 4}, {40, 4}, {kSide, 4}, {kSide, 4}, {1, 2}, {24, 2}, {0, 24}});
  // SOI, a baseline frame header of 20000 x 20000 grey, the start of its scan.
  const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0x4E, 0x20, 0x4E, 0x20, 1, 1,
                      0x11, 0,    0xFF, 0xDA, 0, 8,  1, 1,    0,    0,    63,   0};
  le(gif, {{kSide, 2}, {kSide, 2}, {0, 3}});
  le(ico, {{0, 2}, {1, 2}, {1, 2}, {0, 4}, {1, 2}, {24, 2}, {1u << 28, 4}, {22, 4}});
  le(ico, {{40, 4}, {kSide, 4}, {2 * kSide, 4}, {1, 2}, {24, 2}, {0, 24}});
  // Bounds and a frame of 2 metres at 10 pixels a millimetre.
  le(emf, {{1, 4}, {88, 4}, {0, 8}, {kSide - 1, 4}, {kSide - 1, 4}, {0, 8}, {200'000, 4}, {200'000, 4}});
  le(emf, {{0x464D4520, 4},
           {0x10000, 4},
           {108, 4},
           {2, 4},
           {1, 4},
           {0, 12},
           {1000, 4},
           {1000, 4},
           {100, 4},
           {100, 4}});
  le(wmf, {{0x9AC6CDD7u, 4}, {0, 6}, {kSide, 2}, {kSide, 2}, {96, 2}, {0, 6}});
  le(wmf, {{1, 2}, {9, 2}, {0x300, 2}, {12, 4}, {0, 2}, {3, 4}, {0, 2}, {3, 4}, {0, 2}});
  for (const auto& [ext, header] : {std::pair{std::string(".bmp"), bmp},
                                    {".jpg", jpeg},
                                    {".gif", gif},
                                    {".ico", ico},
                                    {".emf", emf},
                                    {".wmf", wmf}}) {
    const std::string path = dir_->File("huge" + ext);
    test::WriteBytes(path, header);
    std::filesystem::resize_file(path, 400u << 20);
    FileHarness h;
    test::ResetLargestAllocation();
    try {
      LoadImageFile(path, h.context);
      ADD_FAILURE() << ext << " loaded";
    } catch (const TessalinError& e) {
      EXPECT_NE(std::string(e.what()).find("limit"), std::string::npos) << ext << ": " << e.what();
    }
    EXPECT_LT(test::LargestAllocation(), 16u << 20) << ext;
    std::filesystem::remove(path);
  }
}

// WBMP sizes are multi-byte integers: write absurd ones whole.
TEST_F(MalformedFiles, AbsurdWbmpSizes) {
  const Seed& seed = seeds_->front();
  ASSERT_EQ(seed.ext, ".wbmp");
  const std::vector<std::vector<uint8_t>> sizes = {
      {0x00}, {0x7F}, {0x81, 0x00}, {0xFF, 0xFF, 0xFF, 0x7F}, {0x8F, 0xFF, 0xFF, 0xFF, 0x7F},
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {0x80, 0x80, 0x80, 0x01}};
  const std::vector<uint8_t> body(seed.bytes.begin() + 4, seed.bytes.end());  // 23 and 17 take one byte each
  for (const auto& w : sizes)
    for (const auto& h : sizes) {
      std::vector<uint8_t> bad = {0, 0};
      bad.insert(bad.end(), w.begin(), w.end());
      bad.insert(bad.end(), h.begin(), h.end());
      bad.insert(bad.end(), body.begin(), body.end());
      const LoadOutcome out = Check(seed, bad, "absurd size");
      EXPECT_LT(out.largestAllocation, (64u << 20));
      if (out.picture) {
        EXPECT_LE(static_cast<size_t>(out.width) * out.height, 8 * body.size());
      }
    }
}

// Netpbm sizes are decimal text: absurd headers before the rows of a 23 x 17 PPM.
TEST_F(MalformedFiles, AbsurdNetpbmHeaders) {
  const Seed& seed =
      *std::find_if(seeds_->begin(), seeds_->end(), [](const Seed& s) { return s.ext == ".ppm"; });
  const std::vector<uint8_t> body(seed.bytes.end() - 23 * 17 * 3, seed.bytes.end());
  const std::string huge(2000, '9');
  const std::string headers[] = {"P6\n0 17\n255\n",
                                 "P6\n23 0\n255\n",
                                 "P6\n4294967297 17\n255\n",
                                 "P6\n" + huge + " 17\n255\n",
                                 "P6\n23 17\n0\n",
                                 "P6\n23 17\n65536\n",
                                 "P6\n23 17\n65535\n",
                                 "P6\n100000000 1\n255\n",
                                 "P6\n10000 10000\n255\n",
                                 "P6\n23 17\n255",
                                 "P6\n-23 17\n255\n",
                                 "P6\n23 17\n3\n",
                                 "P3\n23 17\n255\n",
                                 "P2\n23 17\n65535\n",
                                 "P1\n23 17\n",
                                 "P4\n184 17\n",
                                 "P6\n23 #" + huge + "\n17\n255\n",
                                 "P7\nWIDTH 23\nHEIGHT 17\nDEPTH 3\nMAXVAL 255\nENDHDR\n",
                                 "P7\nWIDTH 23\nHEIGHT 17\nDEPTH 300\nMAXVAL 255\nENDHDR\n",
                                 "P7\nWIDTH 23\nHEIGHT 17\nDEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\n",
                                 "P7\nWIDTH 23\nHEIGHT 17\nDEPTH 1\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n",
                                 "P7\nWIDTH 23\nHEIGHT 17\n" + huge,
                                 "P7\nWIDTH 23\nHEIGHT 17\nDEPTH 3\nENDHDR\n",
                                 "P7\nWIDTH 23\nWIDTH 99999999\nHEIGHT 17\nDEPTH 3\nMAXVAL 255\nENDHDR\n"};
  for (const std::string& header : headers) {
    std::vector<uint8_t> bad(header.begin(), header.end());
    bad.insert(bad.end(), body.begin(), body.end());
    const LoadOutcome out = Check(seed, bad, "header " + header.substr(0, 40));
    EXPECT_LT(out.largestAllocation, (64u << 20)) << header.substr(0, 40);
    if (out.picture) {
      EXPECT_LE(static_cast<size_t>(out.width) * out.height, 8 * body.size()) << header.substr(0, 40);
    }
  }
}

// The raw import's answers are the size fields of a raw file.
TEST_F(MalformedFiles, AbsurdRawAnswers) {
  const Seed& seed = seeds_->back();
  ASSERT_EQ(seed.ext, ".raw");
  const int values[] = {0, -1, 1, 23, 0x7FFF, 0x10000, 0x40000000, 0x7FFFFFFF, -0x7FFFFFFF - 1};
  for (int w : values)
    for (int h : values) {
      const LoadOutcome out = Check(seed, seed.bytes, "answered " + std::to_string(w) + " x " + std::to_string(h), w, h);
      EXPECT_LT(out.largestAllocation, (64u << 20)) << w << " x " << h;
      if (out.picture) {
        EXPECT_LE(static_cast<int64_t>(out.width) * out.height, static_cast<int64_t>(seed.bytes.size()));
      }
    }
}

}  // namespace
}  // namespace tessalin
