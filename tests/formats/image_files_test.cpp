// LoadImageFile / SaveImageFile: the choice by extension, the messages, and the
// round trips through files that outside programs wrote or read.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/palette.h"
#include "core/tessalin_error.h"
#include "formats/formats_fixtures.h"
#include "formats/gif_codec.h"

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
  EXPECT_FALSE(SaveImageFile(dir.File("a.png"), picture, h.context));
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

TEST(Jpeg, ColourGreyAndProgressiveFilesMatchLibjpegsOwnDecoder) {
  TempDir dir;
  WritePpm(dir.File("in.ppm"), 21, 13, Pattern);
  struct Case {
    std::string name, options;
  };
  for (const Case& c : {Case{"colour.JPEG", "-quality 95"}, Case{"grey.jpg", "-grayscale"},
                        Case{"progressive.jpe", "-progressive -quality 80"}, Case{"plain.jpgs", ""}}) {
    const std::string jpeg = dir.File(c.name);
    ASSERT_EQ(RunCommand("cjpeg " + c.options + " " + Quote(dir.File("in.ppm")) + " > " + Quote(jpeg)), 0);
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
    if (c.name == "grey.jpg") {
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
