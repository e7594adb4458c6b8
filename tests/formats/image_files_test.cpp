// LoadImageFile / SaveImageFile: the choice by extension, the messages, and the
// round trips through files that outside programs wrote or read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "core/black_white.h"
#include "core/palette.h"
#include "core/row_codec.h"
#include "core/tessalin_error.h"
#include "formats/black_white_save.h"
#include "formats/formats_fixtures.h"
#include "formats/gif_codec.h"
#include "formats/image_signature.h"
#include "formats/xbm_codec.h"
#include "processing/dither.h"

namespace tessalin {
namespace {

using test::FileHarness;
using test::Pattern;
using test::Quote;
using test::ReadBytes;
using test::RunCommand;
using test::TempDir;
using test::WriteBytes;
using test::WritePpm;

const char* const kInvalidExtension = "Sorry!\rThe Extension of File you Selected, \ris Invalid.";

Color ColourAt(const RasterImage& image, int x, int y) { return image.GetPixel(x, y); }

RasterImage Make24(int width, int height, const std::function<Color(int, int)>& colour) {
  RasterImage image = NewRaster(PixelFormat::pf24Bit, height, width);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.SetPixel(x, y, colour(x, y));
  return image;
}

// Pixels ImageMagick decodes from `path`, as colours.
std::vector<Color> MagickPixels(const std::string& path, int& width, int& height) {
  TempDir dir;
  const std::string ppm = dir.File("out.ppm");
  EXPECT_EQ(RunCommand("convert " + Quote(path) + " -depth 8 " + Quote("ppm:" + ppm)), 0);
  return test::ReadPpm(ppm, width, height);
}

TEST(LoadImageFile, RefusedExtensionsShowTheirMessages) {
  TempDir dir;
  const std::string file = dir.File("x");
  WriteBytes(file, {1, 2, 3});
  for (const std::string& name : {dir.File("photo.jpeg2"), dir.File("noextension"), dir.File("a.jpg.bak")}) {
    FileHarness h;
    h.state.WizardOpenFlag = true;
    const RasterImage r = LoadImageFile(name, h.context);
    EXPECT_FALSE(r.HasImage());
    ASSERT_EQ(h.prompts.messages.size(), 1u) << name;
    EXPECT_EQ(h.prompts.messages[0], kInvalidExtension);
    EXPECT_FALSE(h.state.WizardOpenFlag);
  }
  FileHarness h;
  EXPECT_FALSE(LoadImageFile(dir.File("a.TIF"), h.context).HasImage());
  EXPECT_FALSE(LoadImageFile(dir.File("a.tiff"), h.context).HasImage());
  EXPECT_FALSE(LoadImageFile(dir.File("a.pcx"), h.context).HasImage());
  ASSERT_EQ(h.prompts.messages.size(), 3u);
  EXPECT_EQ(h.prompts.messages[0], "Sorry!\rThe Tiff which You Selected, Next Version.....");
  EXPECT_EQ(h.prompts.messages[1], "Sorry!\rThe Tiff which You Selected, Next Version.....");
  EXPECT_EQ(h.prompts.messages[2], "Sorry!\rThe Pcx which You Selected, Next Version.....");
}

TEST(SaveImageFile, RefusedExtensionsWriteNothing) {
  TempDir dir;
  const RasterImage picture = Make24(3, 2, Pattern);
  FileHarness h;
  EXPECT_FALSE(SaveImageFile(dir.File("a.pcx"), picture, h.context));
  EXPECT_FALSE(SaveImageFile(dir.File("a.TIFF"), picture, h.context));
  EXPECT_FALSE(SaveImageFile(dir.File("a.tga"), picture, h.context));
  EXPECT_FALSE(SaveImageFile(dir.File("a"), picture, h.context));
  ASSERT_EQ(h.prompts.messages.size(), 4u);
  EXPECT_EQ(h.prompts.messages[0], "Sorry!\rThe File you Selected, Next version....");
  EXPECT_EQ(h.prompts.messages[1], "Sorry!\rThe File you Selected, Next version....");
  EXPECT_EQ(h.prompts.messages[2], "Sorry!\rThe File you Selected, Cannot Write any more.");
  EXPECT_EQ(h.prompts.messages[3], "Sorry!\rThe File you Selected, Cannot Write any more.");
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
  // The hourglass is shown and taken back for every save.
  EXPECT_EQ(h.cursor.calls, (std::vector<bool>{true, false, true, false, true, false, true, false}));
}

// The lists shown to users must name exactly what the dispatch reads and writes.
TEST(ImageFileExtensions, ListsNameWhatLoadAndSaveAccept) {
  TempDir dir;
  const RasterImage picture = Make24(3, 2, Pattern);
  const std::vector<std::string> candidates = {".bmp", ".emf",  ".gif",   ".ico",  ".icon", ".jpe", ".jpeg",
                                               ".jpg", ".jpgs", ".raw",   ".wbmp", ".wmf",  ".png", ".pbm",
                                               ".pgm", ".ppm",  ".pnm",   ".pam",  ".xbm",  ".tif", ".tiff",
                                               ".pcx", ".webp", ".jpeg2", ""};
  const auto listed = [](const std::vector<std::string>& list, const std::string& ext) {
    return std::find(list.begin(), list.end(), ext) != list.end();
  };
  for (const std::string& ext : candidates) {
    SCOPED_TRACE("extension \"" + ext + "\"");
    WriteBytes(dir.File("in" + ext), {1, 2, 3});
    FileHarness h;
    try {
      LoadImageFile(dir.File("in" + ext), h.context);
    } catch (const TessalinError&) {
      // A reader that tried and failed: the extension was accepted.
    }
    const bool refused = !h.prompts.messages.empty() && h.prompts.messages[0].rfind("Sorry!", 0) == 0;
    EXPECT_EQ(listed(ReadableExtensions(), ext), !refused);
    EXPECT_EQ(listed(WritableExtensions(), ext), SaveImageFile(dir.File("out" + ext), picture, h.context));
  }
}

TEST(ImageSignature, StreamsAreRecognisedByTheirFirstBytes) {
  TempDir dir;
  // Files as ImageMagick writes them, the netpbm ones in raw and plain form.
  const std::vector<std::pair<std::string, std::string>> written = {
      {"BMP3:a.bmp", ".bmp"}, {"b.bmp", ".bmp"}, {"c.jpg", ".jpg"}, {"d.gif", ".gif"}, {"e.png", ".png"},
      {"f.pbm", ".pbm"},      {"h.pgm", ".pgm"}, {"j.ppm", ".ppm"}, {"l.pam", ".pam"}, {"m.ico", ".ico"},
      {"n.xbm", ".xbm"}};
  const std::vector<std::pair<std::string, std::string>> plain = {
      {"g.pbm", ".pbm"}, {"i.pgm", ".pgm"}, {"k.ppm", ".ppm"}};
  const auto target = [&](const std::string& name) {
    const size_t colon = name.find(':');
    return colon == std::string::npos ? dir.File(name)
                                      : name.substr(0, colon + 1) + dir.File(name.substr(colon + 1));
  };
  std::string raw = "convert -size 9x7 gradient:red-blue", plainForm = raw + " -compress none";
  for (const auto& [name, ext] : written) raw += " -write " + Quote(target(name));
  for (const auto& [name, ext] : plain) plainForm += " -write " + Quote(target(name));
  ASSERT_EQ(RunCommand(raw + " null:"), 0);
  ASSERT_EQ(RunCommand(plainForm + " null:"), 0);
  for (const auto* list : {&written, &plain})
    for (const auto& [name, ext] : *list)
      EXPECT_EQ(SniffImageExtension(ReadBytes(dir.File(name.substr(name.find(':') + 1)))), ext) << name;

  // Our own metafiles, with and without the placeable header, and files with no signature.
  FileHarness h;
  ASSERT_TRUE(SaveImageFile(dir.File("p.emf"), Make24(5, 4, Pattern), h.context));
  ASSERT_TRUE(SaveImageFile(dir.File("p.wmf"), Make24(5, 4, Pattern), h.context));
  const std::vector<uint8_t> wmf = ReadBytes(dir.File("p.wmf"));
  const std::vector<std::pair<std::vector<uint8_t>, std::string>> bytes = {
      {ReadBytes(dir.File("p.emf")), ".emf"},
      {wmf, ".wmf"},
      {std::vector<uint8_t>(wmf.begin() + 22, wmf.end()), ".wmf"},
      {{0, 0, 8, 4, 0xFF, 0, 0, 0}, ""},                                         // a WBMP
      {{'B', 'M', 'W', ' ', 'i', 's', ' ', 'a', ' ', 'c', 'a', 'r', '\n'}, ""},  // text
      {{'P', '8', '\n', '1'}, ""},
      {{'P', '6'}, ""},
      {{'G', 'I', 'F', '9', '0', 'a'}, ""},
      {{0xFF, 0xD8}, ""},
      {{}, ""}};
  for (const auto& [data, expected] : bytes) EXPECT_EQ(SniffImageExtension(data), expected) << data.size();
}

TEST(Jpeg, ColourGreyAndProgressiveFilesMatchLibjpegsOwnDecoder) {
  TempDir dir;
  WritePpm(dir.File("in.ppm"), 21, 13, Pattern);
  // The most scans a file may have: the DC, every AC band, and refinements of 36 of them.
  std::string script = "0: 0 0 0 0;\n";
  for (int k = 1; k <= 63; ++k) script += "0: " + std::to_string(k) + " " + std::to_string(k) + " 0 1;\n";
  for (int k = 1; k <= 36; ++k) script += "0: " + std::to_string(k) + " " + std::to_string(k) + " 1 0;\n";
  WriteBytes(dir.File("100_scans.txt"), std::vector<uint8_t>(script.begin(), script.end()));
  // Start-of-scan markers inside a comment are no scans.
  std::vector<uint8_t> markers;
  for (int i = 0; i < 200; ++i) markers.insert(markers.end(), {0xFF, 0xDA});
  WriteBytes(dir.File("markers.txt"), markers);
  struct Case {
    std::string name, options, comment;
  };
  for (const Case& c : {Case{"colour.JPEG", "-quality 95", ""}, Case{"grey.jpg", "-grayscale", ""},
                        Case{"progressive.jpe", "-progressive -quality 80", ""}, Case{"plain.jpgs", "", ""},
                        Case{"100_scans.jpg", "-grayscale -scans " + Quote(dir.File("100_scans.txt")), ""},
                        Case{"commented.jpg", "-progressive -restart 1", dir.File("markers.txt")}}) {
    const std::string jpeg = dir.File(c.name);
    ASSERT_EQ(RunCommand("cjpeg " + c.options + " " + Quote(dir.File("in.ppm")) + " > " + Quote(jpeg)), 0);
    if (!c.comment.empty()) {
      ASSERT_EQ(RunCommand("wrjpgcom -cfile " + Quote(c.comment) + " " + Quote(jpeg) + " > " +
                           Quote(dir.File("with_comment")) + " && mv " + Quote(dir.File("with_comment")) +
                           " " + Quote(jpeg)),
                0);
    }
    ASSERT_EQ(RunCommand("djpeg -pnm " + Quote(jpeg) + " > " + Quote(dir.File("ref.ppm"))), 0);
    int w = 0, hgt = 0;
    const std::vector<Color> expected = test::ReadPpm(dir.File("ref.ppm"), w, hgt);
    ASSERT_EQ(expected.size(), 21u * 13u);
    FileHarness h;
    const RasterImage image = LoadImageFile(jpeg, h.context);
    ASSERT_TRUE(image.HasImage()) << c.name;
    EXPECT_EQ(image.Format(), PixelFormat::pf24Bit);
    ASSERT_EQ(image.Width(), 21);
    ASSERT_EQ(image.Height(), 13);
    int wrong = 0;
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 21; ++x)
        wrong += ColourAt(image, x, y) != expected[static_cast<size_t>(y * 21 + x)];
    EXPECT_EQ(wrong, 0) << c.name;
    if (c.name == "grey.jpg" || c.name == "100_scans.jpg") {
      const Color p = ColourAt(image, 5, 5);
      EXPECT_TRUE(RedOf(p) == GreenOf(p) && GreenOf(p) == BlueOf(p));
    }
  }
}

TEST(Jpeg, SavedFilesAreBaselineColourAtQuality90) {
  TempDir dir;
  FileHarness h;
  const RasterImage picture = Make24(40, 30, Pattern);
  ASSERT_TRUE(SaveImageFile(dir.File("out.jpg"), picture, h.context));
  std::string info;
  ASSERT_EQ(RunCommand("identify -format '%Q %[colorspace] %[interlace] %wx%h' " + Quote(dir.File("out.jpg")),
                       &info),
            0);
  EXPECT_EQ(info, "90 sRGB None 40x30");
  // A baseline frame marker, no progressive one.
  const std::vector<uint8_t> bytes = ReadBytes(dir.File("out.jpg"));
  bool baseline = false, progressive = false;
  for (size_t i = 0; i + 1 < bytes.size(); ++i) {
    baseline |= bytes[i] == 0xFF && bytes[i + 1] == 0xC0;
    progressive |= bytes[i] == 0xFF && bytes[i + 1] == 0xC2;
  }
  EXPECT_TRUE(baseline);
  EXPECT_FALSE(progressive);
}

TEST(Gif, OneFrameOpensDirectlyWithItsColourTable) {
  TempDir dir;
  WritePpm(dir.File("in.ppm"), 7, 5,
           [](int x, int y) { return (x + y) % 2 ? MakeColor(255, 0, 0) : MakeColor(0, 0, 255); });
  ASSERT_EQ(RunCommand("convert " + Quote(dir.File("in.ppm")) + " " + Quote(dir.File("one.gif"))), 0);
  FileHarness h;
  const RasterImage image = LoadImageFile(dir.File("one.gif"), h.context);
  EXPECT_TRUE(h.prompts.browsed.empty());
  ASSERT_EQ(image.Format(), PixelFormat::pf8Bit);
  ASSERT_EQ(image.Width(), 7);
  ASSERT_EQ(image.Height(), 5);
  EXPECT_EQ(ColourAt(image, 0, 0), MakeColor(0, 0, 255));
  EXPECT_EQ(ColourAt(image, 1, 0), MakeColor(255, 0, 0));
  EXPECT_EQ(ColourAt(image, 6, 4), MakeColor(0, 0, 255));
}

class AnimatedGif : public ::testing::Test {
 protected:
  void SetUp() override {
    // A 30 x 20 red screen, then a 10 x 5 blue frame at (5, 4), then a 4 x 3 green one at (20, 15).
    WritePpm(dir.File("a.ppm"), 30, 20, [](int, int) { return MakeColor(255, 0, 0); });
    WritePpm(dir.File("b.ppm"), 10, 5, [](int, int) { return MakeColor(0, 0, 255); });
    WritePpm(dir.File("c.ppm"), 4, 3, [](int, int) { return MakeColor(0, 255, 0); });
    ASSERT_EQ(RunCommand("convert -dispose none -page 30x20+0+0 " + Quote(dir.File("a.ppm")) +
                         " -page +5+4 " + Quote(dir.File("b.ppm")) + " -page +20+15 " +
                         Quote(dir.File("c.ppm")) + " " + Quote(path)),
              0);
  }
  TempDir dir;
  std::string path = dir.File("anim.gif");
};

TEST_F(AnimatedGif, DecodesScreenFramesAndPositions) {
  const DecodedGif gif = DecodeGifFile(path);
  EXPECT_EQ(gif.screenWidth, 30);
  EXPECT_EQ(gif.screenHeight, 20);
  ASSERT_EQ(gif.frames.size(), 3u);
  EXPECT_EQ(gif.frames[1].left, 5);
  EXPECT_EQ(gif.frames[1].top, 4);
  EXPECT_EQ(gif.frames[1].raster.Width(), 10);
  EXPECT_EQ(gif.frames[1].raster.Height(), 5);
  EXPECT_EQ(gif.frames[1].raster.GetPixel(3, 2), MakeColor(0, 0, 255));
  EXPECT_EQ(gif.frames[2].left, 20);
  EXPECT_EQ(gif.frames[2].top, 15);
  const RasterImage screen = ComposeGifScreen(gif, 2);
  EXPECT_EQ(screen.GetPixel(0, 0), MakeColor(255, 0, 0));
  EXPECT_EQ(screen.GetPixel(5, 4), MakeColor(0, 0, 255));
  EXPECT_EQ(screen.GetPixel(14, 8), MakeColor(0, 0, 255));
  EXPECT_EQ(screen.GetPixel(15, 8), MakeColor(255, 0, 0));
  EXPECT_EQ(screen.GetPixel(23, 17), MakeColor(0, 255, 0));
  EXPECT_EQ(screen.GetPixel(24, 17), MakeColor(255, 0, 0));
}

TEST_F(AnimatedGif, OrdinaryLoadBrowsesWizardLoadTakesTheFirstFrame) {
  FileHarness h;
  EXPECT_FALSE(LoadImageFile(path, h.context).HasImage());
  EXPECT_EQ(h.prompts.browsed, std::vector<std::string>{path});

  h.state.WizardOpenFlag = true;
  const RasterImage first = LoadImageFile(path, h.context);
  EXPECT_FALSE(h.state.WizardOpenFlag);
  ASSERT_TRUE(first.HasImage());
  EXPECT_EQ(first.Width(), 30);
  EXPECT_EQ(first.Height(), 20);
  EXPECT_EQ(first.GetPixel(6, 5), MakeColor(255, 0, 0));  // frame 0 only
  EXPECT_EQ(h.prompts.browsed.size(), 1u);

  // The flag served one load: the next ordinary load browses again.
  EXPECT_FALSE(LoadImageFile(path, h.context).HasImage());
  EXPECT_EQ(h.prompts.browsed.size(), 2u);
}

TEST(Gif, SmallFirstFrameIsDrawnOntoTheScreen) {
  TempDir dir;
  WritePpm(dir.File("b.ppm"), 4, 3, [](int, int) { return MakeColor(0, 0, 255); });
  ASSERT_EQ(RunCommand("convert -page 12x9+2+1 " + Quote(dir.File("b.ppm")) + " " + Quote(dir.File("s.gif"))),
            0);
  const DecodedGif gif = DecodeGifFile(dir.File("s.gif"));
  ASSERT_EQ(gif.frames.size(), 1u);
  ASSERT_EQ(gif.screenWidth, 12);
  FileHarness h;
  const RasterImage image = LoadImageFile(dir.File("s.gif"), h.context);
  ASSERT_EQ(image.Width(), 12);
  ASSERT_EQ(image.Height(), 9);
  EXPECT_EQ(image.GetPixel(2, 1), MakeColor(0, 0, 255));
  EXPECT_EQ(image.GetPixel(5, 3), MakeColor(0, 0, 255));
  EXPECT_EQ(image.GetPixel(1, 1), kWhite);
  EXPECT_EQ(image.GetPixel(6, 4), kWhite);
}

// ImageMagick writes frames that reach past the logical screen: each keeps its
// own raster and position, and where the screen is composed it is clipped.
TEST(Gif, FramesReachingPastTheScreenOpen) {
  TempDir dir;
  const std::string anim = dir.File("anim.gif"), one = dir.File("one.gif");
  ASSERT_EQ(RunCommand("convert -size 30x20 xc:red -page +25+15 -size 10x8 xc:blue " + Quote(anim)), 0);
  const DecodedGif gif = DecodeGifFile(anim);
  ASSERT_EQ(gif.frames.size(), 2u);
  EXPECT_EQ(gif.screenWidth, 30);
  EXPECT_EQ(gif.frames[1].left, 25);
  EXPECT_EQ(gif.frames[1].top, 15);
  ASSERT_EQ(gif.frames[1].raster.Width(), 10);
  ASSERT_EQ(gif.frames[1].raster.Height(), 8);
  EXPECT_EQ(gif.frames[1].raster.GetPixel(9, 7), MakeColor(0, 0, 255));
  const RasterImage screen = ComposeGifScreen(gif, 1);
  ASSERT_EQ(screen.Width(), 30);
  ASSERT_EQ(screen.Height(), 20);
  EXPECT_EQ(screen.GetPixel(25, 15), MakeColor(0, 0, 255));
  EXPECT_EQ(screen.GetPixel(29, 19), MakeColor(0, 0, 255));
  EXPECT_EQ(screen.GetPixel(24, 19), MakeColor(255, 0, 0));

  // One 10 x 8 frame at (2, 1) of its 10 x 8 screen: as large as the screen, so it is the picture.
  ASSERT_EQ(RunCommand("convert -size 10x8 xc:blue -page +2+1 " + Quote(one)), 0);
  FileHarness h;
  const RasterImage image = LoadImageFile(one, h.context);
  EXPECT_EQ(image.Width(), 10);
  EXPECT_EQ(image.Height(), 8);
  EXPECT_EQ(image.GetPixel(9, 7), MakeColor(0, 0, 255));
}

TEST(Gif, TwentyFourBitPicturesAreMappedToMultiplesOf51) {
  TempDir dir;
  FileHarness h;
  const RasterImage picture = Make24(3, 1, [](int x, int) {
    return x == 0 ? MakeColor(47, 48, 255) : x == 1 ? MakeColor(0, 101, 102) : MakeColor(203, 204, 128);
  });
  ASSERT_TRUE(SaveImageFile(dir.File("m.gif"), picture, h.context));
  int w = 0, hh = 0;
  const std::vector<Color> px = MagickPixels(dir.File("m.gif"), w, hh);
  ASSERT_EQ(px.size(), 3u);
  EXPECT_EQ(px[0], MakeColor(0, 51, 255));
  EXPECT_EQ(px[1], MakeColor(0, 102, 102));    // (101 + 3) div 51 = 2, (102 + 3) div 51 = 2
  EXPECT_EQ(px[2], MakeColor(204, 204, 102));  // 203 -> 4, 204 -> 4, 128 -> 2
}

TEST(Gif, OneBitPicturesKeepTheirTwoColourTable) {
  TempDir dir;
  FileHarness h;
  RasterImage picture = NewRaster(PixelFormat::pf1Bit, 2, 9);
  picture.SetPixel(0, 0, kBlack);
  picture.SetPixel(8, 1, kBlack);
  ASSERT_TRUE(SaveImageFile(dir.File("bw.gif"), picture, h.context));
  const std::vector<uint8_t> bytes = ReadBytes(dir.File("bw.gif"));
  ASSERT_GT(bytes.size(), 19u);
  EXPECT_EQ(bytes[10] & 0x80, 0x80);  // a global table
  EXPECT_EQ(bytes[10] & 0x07, 0);     // of two entries
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 13, bytes.begin() + 19),
            (std::vector<uint8_t>{0, 0, 0, 255, 255, 255}));
  int w = 0, hh = 0;
  const std::vector<Color> px = MagickPixels(dir.File("bw.gif"), w, hh);
  ASSERT_EQ(px.size(), 18u);
  EXPECT_EQ(px[0], kBlack);
  EXPECT_EQ(px[1], kWhite);
  EXPECT_EQ(px[17], kBlack);
}

TEST(Bmp, SavedThroughTheDisplaysDepth) {
  TempDir dir;
  FileHarness h;
  RasterImage picture = NewRaster(PixelFormat::pf1Bit, 3, 5);
  picture.SetPixel(1, 1, kBlack);
  ASSERT_TRUE(SaveImageFile(dir.File("bw.bmp"), picture, h.context));
  const std::vector<uint8_t> bytes = ReadBytes(dir.File("bw.bmp"));
  ASSERT_GT(bytes.size(), 30u);
  EXPECT_EQ(bytes[28] | (bytes[29] << 8), kDeviceBitsPerPixel);
  int w = 0, hh = 0;
  const std::vector<Color> px = MagickPixels(dir.File("bw.bmp"), w, hh);
  ASSERT_EQ(px.size(), 15u);
  EXPECT_EQ(px[6], kBlack);
  EXPECT_EQ(px[0], kWhite);
}

TEST(Bmp, FourBitRle8AndTopDownFilesFromOtherPrograms) {
  TempDir dir;
  const auto stripes = [](int x, int y) {
    static const Color kColours[4] = {MakeColor(255, 0, 0), MakeColor(0, 128, 0), MakeColor(0, 0, 255),
                                      MakeColor(255, 255, 0)};
    return kColours[(x / 2 + y) % 4];
  };
  WritePpm(dir.File("in.ppm"), 13, 6, stripes);
  ASSERT_EQ(RunCommand("convert " + Quote(dir.File("in.ppm")) + " -type palette " +
                       Quote("bmp3:" + dir.File("four.bmp"))),
            0);
  ASSERT_EQ(RunCommand("convert " + Quote(dir.File("in.ppm")) + " -type palette -compress RLE " +
                       Quote("bmp3:" + dir.File("rle8.bmp"))),
            0);
  const std::vector<uint8_t> four = ReadBytes(dir.File("four.bmp"));
  const std::vector<uint8_t> rle = ReadBytes(dir.File("rle8.bmp"));
  ASSERT_EQ(four[28], 4);
  ASSERT_EQ(rle[30], 1);  // BI_RLE8
  // Top-down: a 24-bit file with a negative height and its rows stored first to last.
  std::vector<uint8_t> top(54, 0);
  const int w = 13, hgt = 6, stride = (w * 3 + 3) & ~3;
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) top[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  top[0] = 'B', top[1] = 'M';
  put32(2, 54 + stride * hgt), put32(10, 54), put32(14, 40), put32(18, w),
      put32(22, static_cast<uint32_t>(-hgt));
  top[26] = 1, top[28] = 24, put32(34, stride * hgt);
  for (int y = 0; y < hgt; ++y) {
    std::vector<uint8_t> row(stride, 0);
    for (int x = 0; x < w; ++x) {
      const Color c = stripes(x, y);
      row[3 * x] = BlueOf(c), row[3 * x + 1] = GreenOf(c), row[3 * x + 2] = RedOf(c);
    }
    top.insert(top.end(), row.begin(), row.end());
  }
  WriteBytes(dir.File("top.bmp"), top);
  for (const std::string name : {"four.bmp", "rle8.bmp", "top.bmp"}) {
    FileHarness h;
    const RasterImage image = LoadImageFile(dir.File(name), h.context);
    ASSERT_EQ(image.Width(), 13) << name;
    ASSERT_EQ(image.Height(), 6) << name;
    int wrong = 0;
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 13; ++x) wrong += image.GetPixel(x, y) != stripes(x, y);
    EXPECT_EQ(wrong, 0) << name;
  }
}

TEST(Raw, SavedAsGreyBytes) {
  TempDir dir;
  FileHarness h;
  ASSERT_TRUE(SaveImageFile(dir.File("white.raw"), Make24(3, 2, [](int, int) { return kWhite; }), h.context));
  EXPECT_EQ(ReadBytes(dir.File("white.raw")), std::vector<uint8_t>(6, 255));
  const RasterImage rgb = Make24(3, 1, [](int x, int) {
    return x == 0 ? MakeColor(255, 0, 0) : x == 1 ? MakeColor(0, 255, 0) : MakeColor(0, 0, 255);
  });
  ASSERT_TRUE(SaveImageFile(dir.File("rgb.RAW"), rgb, h.context));
  EXPECT_EQ(ReadBytes(dir.File("rgb.RAW")), (std::vector<uint8_t>{76, 150, 28}));
}

TEST(Raw, LoadGoesThroughTheImportAndCancelShowsNothing) {
  TempDir dir;
  WriteBytes(dir.File("a.raw"), {1, 2, 3, 4});
  FileHarness h;
  EXPECT_FALSE(LoadImageFile(dir.File("a.raw"), h.context).HasImage());
  EXPECT_EQ(h.prompts.rawImports, std::vector<std::string>{dir.File("a.raw")});
  EXPECT_TRUE(h.prompts.messages.empty());
  h.prompts.rawAnswer = [](const std::string&, RasterImage& result) {
    result = NewRaster(PixelFormat::pf24Bit, 2, 2);
    return true;
  };
  const RasterImage image = LoadImageFile(dir.File("a.raw"), h.context);
  EXPECT_EQ(image.Width(), 2);
}

TEST(Icon, SavedIconIsTheTopLeft32x32AndOpaque) {
  TempDir dir;
  FileHarness h;
  ASSERT_TRUE(SaveImageFile(dir.File("big.ico"), Make24(100, 100, Pattern), h.context));
  int w = 0, hh = 0;
  const std::vector<Color> px = MagickPixels(dir.File("big.ico"), w, hh);
  ASSERT_EQ(w, 32);
  ASSERT_EQ(hh, 32);
  int wrong = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) wrong += px[static_cast<size_t>(y * 32 + x)] != Pattern(x, y);
  EXPECT_EQ(wrong, 0);
  // Reopened onto white it shows the picture itself, not its inverse.
  const RasterImage back = LoadImageFile(dir.File("big.ico"), h.context);
  ASSERT_EQ(back.Width(), 32);
  EXPECT_EQ(back.Format(), PixelFormat::pfDevice);
  EXPECT_EQ(back.GetPixel(31, 31), Pattern(31, 31));
  EXPECT_EQ(back.GetPixel(0, 0), Pattern(0, 0));

  ASSERT_TRUE(SaveImageFile(dir.File("small.icon"), Make24(10, 6, Pattern), h.context));
  const RasterImage small = LoadImageFile(dir.File("small.icon"), h.context);
  ASSERT_EQ(small.Width(), 32);
  EXPECT_EQ(small.GetPixel(9, 5), Pattern(9, 5));
  EXPECT_EQ(small.GetPixel(10, 5), kWhite);
  EXPECT_EQ(small.GetPixel(9, 6), kWhite);
}

TEST(Icon, IconsFromImageMagick) {
  TempDir dir;
  WritePpm(dir.File("in.ppm"), 48, 48, Pattern);
  // Three sizes: the entry nearest the standard size is read.
  ASSERT_EQ(RunCommand("convert " + Quote(dir.File("in.ppm")) + " -define icon:auto-resize=48,32,16 " +
                       Quote(dir.File("multi.ico"))),
            0);
  FileHarness h;
  const RasterImage multi = LoadImageFile(dir.File("multi.ico"), h.context);
  EXPECT_EQ(multi.Width(), 32);
  EXPECT_EQ(multi.Height(), 32);
  // One 48 x 48 entry, compared pixel by pixel.
  ASSERT_EQ(RunCommand("convert " + Quote(dir.File("in.ppm")) + " " + Quote(dir.File("one.ico"))), 0);
  const RasterImage one = LoadImageFile(dir.File("one.ico"), h.context);
  ASSERT_EQ(one.Width(), 48);
  int wrong = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 48; ++x) wrong += one.GetPixel(x, y) != Pattern(x, y);
  EXPECT_EQ(wrong, 0);
  // 256 x 256 entries are stored as PNG; transparent pixels come out white.
  ASSERT_EQ(RunCommand("convert -size 256x256 xc:none -fill '#FF0000' -draw 'rectangle 10,20 99,119' " +
                       Quote(dir.File("png.ico"))),
            0);
  const RasterImage png = LoadImageFile(dir.File("png.ico"), h.context);
  ASSERT_EQ(png.Width(), 256);
  EXPECT_EQ(png.GetPixel(10, 20), MakeColor(255, 0, 0));
  EXPECT_EQ(png.GetPixel(99, 119), MakeColor(255, 0, 0));
  EXPECT_EQ(png.GetPixel(9, 20), kWhite);
  EXPECT_EQ(png.GetPixel(200, 200), kWhite);
}

TEST(Metafile, WmfSaveOpensTheExtraWindowAndBothKindsReadBack) {
  TempDir dir;
  const RasterImage picture = Make24(23, 17, Pattern);
  for (const std::string name : {"p.emf", "p.wmf"}) {
    FileHarness h;
    ASSERT_TRUE(SaveImageFile(dir.File(name), picture, h.context));
    const bool wmf = name == "p.wmf";
    ASSERT_EQ(h.results.names.size(), wmf ? 1u : 0u);
    if (wmf) {
      EXPECT_EQ(h.results.names[0], "ss");
      EXPECT_TRUE(test::SamePixels24(h.results.rasters[0], picture));
    }
    const RasterImage back = LoadImageFile(dir.File(name), h.context);
    ASSERT_EQ(back.Width(), 23) << name;
    ASSERT_EQ(back.Height(), 17) << name;
    EXPECT_EQ(back.Format(), PixelFormat::pfDevice);
    int wrong = 0;
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x < 23; ++x) wrong += back.GetPixel(x, y) != Pattern(x, y);
    EXPECT_EQ(wrong, 0) << name;
  }
  // The placeable header: key, box 0,0,23,17, 96 units an inch.
  const std::vector<uint8_t> wmf = ReadBytes(dir.File("p.wmf"));
  EXPECT_EQ(std::vector<uint8_t>(wmf.begin(), wmf.begin() + 16),
            (std::vector<uint8_t>{0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 23, 0, 17, 0, 96, 0}));
}

TEST(Wbmp, SavedAndLoadedThroughTheCodec) {
  TempDir dir;
  FileHarness h;
  ASSERT_TRUE(SaveImageFile(dir.File("a.wbmp"),
                            Make24(9, 4, [](int x, int) { return x < 4 ? kBlack : kWhite; }), h.context));
  const RasterImage back = LoadImageFile(dir.File("a.wbmp"), h.context);
  ASSERT_EQ(back.Width(), 9);
  EXPECT_EQ(back.Format(), PixelFormat::pf1Bit);
}

// ---- PNG, netpbm and XBM against ImageMagick and netpbm's own tools ----

// Sample c of pixel (x, y) of a test source: varied so that every value and
// every alpha (0, full and between) turns up; `levels` limits the colours.
uint32_t SourceSample(int x, int y, int c, int maxval, bool alpha, int levels) {
  if (alpha && x % 3 != 2) return x % 3 == 0 ? 0 : static_cast<uint32_t>(maxval);
  if (levels) return static_cast<uint32_t>((x + 21 * y) % levels * (c + 1) * 37 % 256);
  return static_cast<uint32_t>((x * 7919 + y * 104729 + c * 1299709) ^ (x * y * 31)) % (maxval + 1u);
}

// A 21 x 13 PAM source of `depth` samples a pixel.
void WritePamSource(const std::string& path, int depth, int maxval, const std::string& type, int levels) {
  const int width = 21, height = 13;
  const std::string text = "P7\nWIDTH 21\nHEIGHT 13\nDEPTH " + std::to_string(depth) + "\nMAXVAL " +
                           std::to_string(maxval) + "\nTUPLTYPE " + type + "\nENDHDR\n";
  std::vector<uint8_t> bytes(text.begin(), text.end());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < depth; ++c) {
        const uint32_t v = SourceSample(x, y, c, maxval, type.ends_with("_ALPHA") && c == depth - 1, levels);
        if (maxval > 255) bytes.push_back(static_cast<uint8_t>(v >> 8));
        bytes.push_back(static_cast<uint8_t>(v));
      }
  WriteBytes(path, bytes);
}

// "rgb:RR/GG/BB" of pixel (0, 0) of an 8-bit RGB source.
std::string FirstColour(int levels) {
  char text[32];
  std::snprintf(text, sizeof text, "rgb:%02x/%02x/%02x", SourceSample(0, 0, 0, 255, false, levels),
                SourceSample(0, 0, 1, 255, false, levels), SourceSample(0, 0, 2, 255, false, levels));
  return text;
}

struct PngHeader {
  int depth, colourType, interlace;
  bool operator==(const PngHeader&) const = default;
};
PngHeader PngHeaderOf(const std::string& path) {
  const std::vector<uint8_t> b = ReadBytes(path);
  if (b.size() < 29) return {-1, -1, -1};
  return {b[24], b[25], b[28]};
}

// Every pixel as the reference decoder sees it: ImageMagick with white behind
// transparent parts (at 16 bits, rounded here: its own 8-bit output cuts
// fractions off), or netpbm (which rounds odd maxvals to 8 bits itself).
enum class Reference { Magick, Netpbm };
std::vector<Color> ReferencePixels(const std::string& path, Reference reference, int& width, int& height) {
  TempDir dir;
  const std::string ppm = dir.File("ref.ppm");
  const std::string command =
      reference == Reference::Magick
          ? "convert " + Quote(path) + " -background white -alpha remove -depth 16 " + Quote("ppm:" + ppm)
          : "pamdepth 255 " + Quote(path) + " 2>/dev/null | pamtopnm | ppmtoppm > " + Quote(ppm);
  EXPECT_EQ(RunCommand(command), 0) << command;
  std::ifstream in(ppm, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> width >> height >> maxval;
  in.get();
  std::vector<Color> pixels;
  for (int i = 0; i < width * height && magic == "P6"; ++i) {
    uint8_t rgb[3];
    for (uint8_t& c : rgb) {
      const int high = in.get();
      const int v = maxval > 255 ? (high << 8) | in.get() : high;
      c = static_cast<uint8_t>(std::lround(v * 255.0 / maxval));
    }
    pixels.push_back(MakeColor(rgb[0], rgb[1], rgb[2]));
  }
  return pixels;
}

int PixelsDiffering(const RasterImage& image, const std::vector<Color>& want, int width, int height) {
  if (image.Width() != width || image.Height() != height || want.size() != size_t(width) * height) return -1;
  int wrong = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) wrong += image.GetPixel(x, y) != want[size_t(y) * width + x];
  return wrong;
}

TEST(PngNetpbm, FilesWrittenByImageMagickAndNetpbmReadWithTheirPixels) {
  TempDir dir;
  const std::pair<const char*, std::tuple<int, int, const char*, int>> sources[] = {
      {"bw", {1, 1, "BLACKANDWHITE", 0}},
      {"grey2", {1, 3, "GRAYSCALE", 0}},
      {"grey4", {1, 15, "GRAYSCALE", 0}},
      {"grey8", {1, 255, "GRAYSCALE", 0}},
      {"grey16", {1, 65535, "GRAYSCALE", 0}},
      {"ga8", {2, 255, "GRAYSCALE_ALPHA", 0}},
      {"ga16", {2, 65535, "GRAYSCALE_ALPHA", 0}},
      {"rgb8", {3, 255, "RGB", 0}},
      {"rgb16", {3, 65535, "RGB", 0}},
      {"rgba8", {4, 255, "RGB_ALPHA", 0}},
      {"rgba16", {4, 65535, "RGB_ALPHA", 0}},
      {"colours2", {3, 255, "RGB", 2}},
      {"colours4", {3, 255, "RGB", 4}},
      {"colours16", {3, 255, "RGB", 16}},
      {"colours200", {3, 255, "RGB", 200}},
  };
  for (const auto& [name, s] : sources)
    WritePamSource(dir.File(std::string(name) + ".pam"), std::get<0>(s), std::get<1>(s), std::get<2>(s),
                   std::get<3>(s));
  struct Case {
    std::string file, command;  // SRC and OUT are replaced by the paths
    PixelFormat format;
    PngHeader png = {};  // checked for PNG files (depth above 0): each kind once
    Reference reference = Reference::Magick;
  };
  const Case cases[] = {
      {"g1.png", "pamtopnm SRC/bw.pam | pnmtopng > OUT", PixelFormat::pf24Bit, {1, 0, 0}},
      {"g2.png", "pamtopnm SRC/grey2.pam | pnmtopng > OUT", PixelFormat::pf24Bit, {2, 0, 0}},
      {"g4.png", "pamtopnm SRC/grey4.pam | pnmtopng > OUT", PixelFormat::pf24Bit, {4, 0, 0}},
      {"g8.png", "pamtopng SRC/grey8.pam > OUT", PixelFormat::pf24Bit, {8, 0, 0}},
      {"g16.png", "pamtopng SRC/grey16.pam > OUT", PixelFormat::pf24Bit, {16, 0, 0}},
      {"ga8.png", "pamtopng SRC/ga8.pam > OUT", PixelFormat::pf24Bit, {8, 4, 0}},
      {"ga16.png", "pamtopng SRC/ga16.pam > OUT", PixelFormat::pf24Bit, {16, 4, 0}},
      {"rgb8.png", "pamtopng SRC/rgb8.pam > OUT", PixelFormat::pf24Bit, {8, 2, 0}},
      {"rgb16.png", "pamtopng SRC/rgb16.pam > OUT", PixelFormat::pf24Bit, {16, 2, 0}},
      {"rgba8.png", "pamtopng SRC/rgba8.pam > OUT", PixelFormat::pf24Bit, {8, 6, 0}},
      {"rgba16.png", "pamtopng SRC/rgba16.pam > OUT", PixelFormat::pf24Bit, {16, 6, 0}},
      {"p1.png", "pamtopnm SRC/colours2.pam | pnmtopng > OUT", PixelFormat::pf1Bit, {1, 3, 0}},
      {"p2.png", "pamtopnm SRC/colours4.pam | pnmtopng > OUT", PixelFormat::pf4Bit, {2, 3, 0}},
      {"p4.png", "pamtopnm SRC/colours16.pam | pnmtopng > OUT", PixelFormat::pf4Bit, {4, 3, 0}},
      {"p8.png", "pamtopnm SRC/colours200.pam | pnmtopng > OUT", PixelFormat::pf8Bit, {8, 3, 0}},
      {"rgb8-interlaced.png",
       "pamtopnm SRC/rgb8.pam | pnmtopng -interlace > OUT",
       PixelFormat::pf24Bit,
       {8, 2, 1}},
      {"p2-interlaced.png",
       "pamtopnm SRC/colours4.pam | pnmtopng -interlace > OUT",
       PixelFormat::pf4Bit,
       {2, 3, 1}},
      {"rgba16-interlaced.png",
       "convert SRC/rgba16.pam -interlace PNG PNG64:OUT",
       PixelFormat::pf24Bit,
       {16, 6, 1}},
      {"rgb-trns.png",
       "pamtopnm SRC/rgb8.pam | pnmtopng -transparent=" + FirstColour(0) + " > OUT",
       PixelFormat::pf24Bit,
       {8, 2, 0}},
      {"p2-trns.png",
       "pamtopnm SRC/colours4.pam | pnmtopng -transparent=" + FirstColour(4) + " > OUT",
       PixelFormat::pf4Bit,
       {2, 3, 0}},
      {"raw.pbm", "pamtopnm SRC/bw.pam > OUT", PixelFormat::pf1Bit},
      {"plain.pbm", "pamtopnm -plain SRC/bw.pam > OUT", PixelFormat::pf1Bit},
      {"raw.pgm", "pamtopnm SRC/grey8.pam > OUT", PixelFormat::pf8Bit},
      {"plain16.pgm", "pamtopnm -plain SRC/grey16.pam > OUT", PixelFormat::pf8Bit},
      {"maxval1000.pgm",
       "pamdepth 1000 SRC/grey16.pam | pamtopnm > OUT",
       PixelFormat::pf8Bit,
       {},
       Reference::Netpbm},
      {"raw.ppm", "pamtopnm SRC/rgb8.pam > OUT", PixelFormat::pf24Bit},
      {"plain.ppm", "pamtopnm -plain SRC/rgb8.pam > OUT", PixelFormat::pf24Bit},
      {"raw16.pnm", "pamtopnm SRC/rgb16.pam > OUT", PixelFormat::pf24Bit},
      {"rgba.pam", "pamtopam < SRC/rgba8.pam > OUT", PixelFormat::pf24Bit},
      {"grey16.pam", "pamtopam < SRC/grey16.pam > OUT", PixelFormat::pf24Bit},
      {"magick.ppm", "convert SRC/rgb16.pam -compress none OUT", PixelFormat::pf24Bit},
      // bw.pam repeats every two pixels: these take an irregular picture, so that
      // every bit of a row's bytes and words counts.
      {"x11.xbm", "pamditherbw -threshold SRC/grey8.pam | pamtopnm | pbmtoxbm > OUT", PixelFormat::pf1Bit},
      {"x10.xbm", "pamditherbw -threshold SRC/grey8.pam | pamtopnm | pbmtoxbm -x10 > OUT", PixelFormat::pf1Bit},
      {"magick.xbm", "convert SRC/grey8.pam -threshold 50% XBM:OUT", PixelFormat::pf1Bit},
  };
  for (const Case& c : cases) {
    const std::string out = dir.File("out-" + c.file);
    std::string command = c.command;
    for (size_t at; (at = command.find("SRC")) != std::string::npos;) command.replace(at, 3, dir.Path());
    command.replace(command.find("OUT"), 3, Quote(out));
    ASSERT_EQ(RunCommand(command + " 2>/dev/null"), 0) << command;
    if (c.png.depth > 0) {
      EXPECT_EQ(PngHeaderOf(out), c.png) << c.file << " is not the kind it stands for";
    }
    FileHarness h;
    const RasterImage ours = LoadImageFile(out, h.context);
    EXPECT_EQ(ours.Format(), c.format) << c.file;
    int width = 0, height = 0;
    const std::vector<Color> want = ReferencePixels(out, c.reference, width, height);
    EXPECT_EQ(PixelsDiffering(ours, want, width, height), 0) << c.file;
  }
}

// Our pictures of every kind, saved in every new format, decode in ImageMagick
// and netpbm to the pixels they hold; the form written is the smallest that
// keeps every pixel.
TEST(PngNetpbm, OurFilesReadInImageMagickAndNetpbmWithTheSamePixels) {
  TempDir dir;
  const auto indexed = [](PixelFormat format, ColorTable table, int modulo) {
    RasterImage image = NewRaster(format, 13, 21);
    image.SetColorTable(std::move(table));
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 21; ++x) SetIndexAt(image.Row(y), format, x, (x * 5 + y * 3) % modulo);
    return image;
  };
  ColorTable greys(256), warm(256);
  for (int i = 0; i < 256; ++i) {
    greys[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i)};
    warm[size_t(i)] = {uint8_t(255 - i), uint8_t(i / 2), uint8_t(i * 7)};
  }
  const RasterImage colour = Make24(21, 13, Pattern);
  const RasterImage blackWhite24 =
      Make24(21, 13, [](int x, int y) { return (x * y + x) % 3 ? kWhite : kBlack; });
  const RasterImage blackWhite1 = indexed(PixelFormat::pf1Bit, CreateBlackWhitePalette(), 2);
  const RasterImage twoColours = indexed(PixelFormat::pf1Bit, {{200, 0, 0}, {0, 0, 90}}, 2);
  const RasterImage sixteen = indexed(PixelFormat::pf4Bit, DefaultColorTable(PixelFormat::pf4Bit), 16);
  const RasterImage grey = indexed(PixelFormat::pf8Bit, greys, 256);
  const RasterImage palette = indexed(PixelFormat::pf8Bit, warm, 256);
  struct Case {
    const RasterImage& picture;
    std::string file;
    std::string head;    // the file's first bytes, or its PNG header
    PngHeader png = {};  // checked when its depth is above 0
  };
  const Case cases[] = {
      {colour, "colour.png", "", {8, 2, 0}},
      {blackWhite24, "bw24.png", "", {1, 0, 0}},
      {blackWhite1, "bw1.png", "", {1, 0, 0}},
      {twoColours, "two.png", "", {1, 3, 0}},
      {sixteen, "sixteen.png", "", {4, 3, 0}},
      {palette, "palette.png", "", {8, 3, 0}},
      {blackWhite1, "bw1.pbm", "P4\n21 13\n"},
      {grey, "grey.pgm", "P5\n21 13\n255\n"},
      {colour, "colour.ppm", "P6\n21 13\n255\n"},
      {blackWhite24, "bw24.pnm", "P4\n"},
      {grey, "grey.pnm", "P5\n"},
      {sixteen, "sixteen.pnm", "P6\n"},
      {blackWhite24, "bw24.pam",
       "P7\nWIDTH 21\nHEIGHT 13\nDEPTH 1\nMAXVAL 1\nTUPLTYPE BLACKANDWHITE\nENDHDR\n"},
      {grey, "grey.pam", "P7\nWIDTH 21\nHEIGHT 13\nDEPTH 1\nMAXVAL 255\nTUPLTYPE GRAYSCALE\nENDHDR\n"},
      {palette, "palette.pam", "P7\nWIDTH 21\nHEIGHT 13\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n"},
  };
  for (const Case& c : cases) {
    const std::string path = dir.File(c.file);
    FileHarness h;
    ASSERT_TRUE(SaveImageFile(path, c.picture, h.context)) << c.file;
    const std::vector<uint8_t> bytes = ReadBytes(path);
    if (c.png.depth > 0) {
      EXPECT_EQ(PngHeaderOf(path), c.png) << c.file;
    } else {
      EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + std::min(bytes.size(), c.head.size())), c.head);
    }
    std::vector<Color> want;
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 21; ++x) want.push_back(c.picture.GetPixel(x, y));
    const std::string netpbm = c.png.depth > 0 ? dir.File(c.file + ".pam") : path;
    if (c.png.depth > 0) {
      ASSERT_EQ(RunCommand("pngtopam " + Quote(path) + " > " + Quote(netpbm)), 0) << c.file;
    }
    for (Reference reference : {Reference::Magick, Reference::Netpbm}) {
      int width = 0, height = 0;
      const std::vector<Color> seen =
          ReferencePixels(reference == Reference::Magick ? path : netpbm, reference, width, height);
      EXPECT_EQ(seen, want) << c.file << (reference == Reference::Magick ? " in ImageMagick" : " in netpbm");
    }
  }
}

// The purpose of the three 1-bit formats: a dithered picture keeps every pixel.
TEST(PngNetpbm, ADitheredPictureSavedAsPngPbmAndXbmReadsBackIdenticalInImageMagick) {
  TempDir dir;
  const DitherResults results = FloydSteinbergDither(test::MakeGradient(37, 23), 128);
  const RasterImage& dithered = results[3];
  std::vector<Color> want;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x) want.push_back(dithered.GetPixel(x, y));
  ASSERT_NE(std::count(want.begin(), want.end(), kBlack), 0);
  ASSERT_NE(std::count(want.begin(), want.end(), kWhite), 0);
  for (const std::string name : {"dithered.png", "dithered.pbm", "dithered-logo 2.xbm"}) {
    FileHarness h;  // SharedBias at its start value, 64
    ASSERT_TRUE(SaveImageFile(dir.File(name), dithered, h.context)) << name;
    int width = 0, height = 0;
    EXPECT_EQ(ReferencePixels(dir.File(name), Reference::Magick, width, height), want) << name;
  }
  EXPECT_EQ(PngHeaderOf(dir.File("dithered.png")), (PngHeader{1, 0, 0}));
  // A picture that is not black and white goes through the WBMP writer's recipe
  // in PBM and XBM alike (here at SharedBias 0).
  std::vector<Color> wbmp;
  for (const std::string name : {"grey.wbmp", "grey.pbm", "grey.xbm"}) {
    FileHarness h;
    h.state.SharedBias = 0;
    ASSERT_TRUE(SaveImageFile(dir.File(name), test::MakeGradient(37, 23), h.context)) << name;
    int width = 0, height = 0;
    const std::vector<Color> seen = ReferencePixels(dir.File(name), Reference::Magick, width, height);
    if (wbmp.empty()) wbmp = seen;
    EXPECT_EQ(seen, wbmp) << name;
  }
  ASSERT_NE(std::count(wbmp.begin(), wbmp.end(), kBlack), 0);
  ASSERT_NE(std::count(wbmp.begin(), wbmp.end(), kWhite), 0);
  const std::vector<uint8_t> xbm = ReadBytes(dir.File("dithered-logo 2.xbm"));
  const std::string text(xbm.begin(), xbm.end());
  EXPECT_EQ(text.rfind("#define dithered_logo_2_width 37\n#define dithered_logo_2_height 23\n"
                       "static unsigned char dithered_logo_2_bits[] = {\n",
                       0),
            0u)
      << text.substr(0, 120);
  EXPECT_EQ(XbmIdentifier("/x/2024 logo.XBM"), "xbm_2024_logo");
}

// A PNG entry is decoded within the engine's pixel limit: 6000 x 6000 pixels
// is more than a toolkit's 128 MB image allowance, not more than ours.
TEST(PngNetpbm, IconWithALargePngEntryOpens) {
  TempDir dir;
  RasterImage big = NewRaster(PixelFormat::pf1Bit, 6000, 6000);
  for (int x = 0; x < 6000; x += 2) SetIndexAt(big.Row(5999), PixelFormat::pf1Bit, x, 0);  // black dots
  FileHarness h;
  ASSERT_TRUE(SaveImageFile(dir.File("entry.png"), big, h.context));
  const std::vector<uint8_t> png = ReadBytes(dir.File("entry.png"));
  const uint32_t size = static_cast<uint32_t>(png.size());
  // One directory entry (256 x 256 by its zero fields, 32 bits) pointing past the 22-byte header.
  std::vector<uint8_t> ico = {0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 32, 0};
  for (int shift = 0; shift < 32; shift += 8) ico.push_back(static_cast<uint8_t>(size >> shift));
  for (uint8_t offset : {22, 0, 0, 0}) ico.push_back(offset);
  ico.resize(22 + png.size());
  std::copy(png.begin(), png.end(), ico.begin() + 22);
  WriteBytes(dir.File("big.ico"), ico);
  const RasterImage icon = LoadImageFile(dir.File("big.ico"), h.context);
  ASSERT_EQ(icon.Width(), 6000);
  ASSERT_EQ(icon.Height(), 6000);
  EXPECT_EQ(icon.GetPixel(0, 5999), kBlack);
  EXPECT_EQ(icon.GetPixel(1, 5999), kWhite);
  EXPECT_EQ(icon.GetPixel(0, 5998), kWhite);
}

// A packed black-and-white result stands for its 24-bit form: every file
// holds what that form gives, saved packed where it comes out alike.
TEST(SaveBlackWhiteResult, FilesHoldWhatTheTwentyFourBitFormGives) {
  TempDir packedDir, wideDir;  // one file name in each: XBM takes its identifiers from the name
  FileHarness h;
  RasterImage packed = NewPackedRaster(11, 21);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 21; ++x) packed.SetPixel(x, y, (x * 7 + y * 3) % 5 < 2 ? kWhite : kBlack);
  const RasterImage wide = ExpandBlackWhite(packed);
  for (const char* ext : {".wbmp", ".bmp", ".raw", ".gif", ".jpg", ".ico", ".emf", ".png", ".pbm", ".xbm"}) {
    const std::string a = packedDir.File(std::string("result") + ext), b = wideDir.File(std::string("result") + ext);
    ASSERT_TRUE(SaveBlackWhiteResult(a, packed, h.context)) << ext;
    ASSERT_TRUE(SaveImageFile(b, wide, h.context)) << ext;
    EXPECT_EQ(ReadBytes(a), ReadBytes(b)) << ext;
  }
}

TEST(SaveImageFile, AFailedSaveKeepsTheOldFile) {
  TempDir dir;
  FileHarness h;
  WriteBytes(dir.File("keep.wmf"), {1, 2, 3});
  // Too wide for the old metafile's 16-bit coordinates.
  const RasterImage wide = NewRaster(PixelFormat::pf24Bit, 1, 40000);
  EXPECT_THROW(SaveImageFile(dir.File("keep.wmf"), wide, h.context), TessalinError);
  EXPECT_EQ(ReadBytes(dir.File("keep.wmf")), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(
      std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()),
      1);
  EXPECT_EQ(h.cursor.calls, (std::vector<bool>{true, false}));
  // A folder in the way: the error names the file.
  std::filesystem::create_directory(dir.File("sub.jpg"));
  try {
    SaveImageFile(dir.File("sub.jpg"), wide, h.context);
    FAIL() << "no error";
  } catch (const TessalinError& e) {
    EXPECT_NE(std::string(e.what()).find("sub.jpg"), std::string::npos);
  }
}

}  // namespace
}  // namespace tessalin
