// Icon entry kinds drawn onto white, GIF transparency and disposal when the
// screen is composed, and CMYK JPEG files.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "formats/formats_fixtures.h"
#include "formats/gif_codec.h"
#include "formats/icon_codec.h"
#include "formats/jpeg_codec.h"

namespace tessalin {
namespace {

using test::Quote;
using test::RunCommand;
using test::TempDir;

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// An icon file with one bitmap entry of `bits` per pixel, 8 x 2 pixels.
std::vector<uint8_t> HandMadeIcon(int bits, const std::vector<uint8_t>& palette /* B,G,R,0 quads */,
                                  const std::vector<std::vector<uint8_t>>& rowsTopDown,
                                  const std::vector<uint8_t>& maskRowsTopDown) {
  const int w = 8, h = 2;
  const int stride = ((w * bits + 31) / 32) * 4;
  std::vector<uint8_t> entry;
  Put32(entry, 40), Put32(entry, w), Put32(entry, 2 * h), Put16(entry, 1),
      Put16(entry, static_cast<unsigned>(bits));
  for (int i = 0; i < 6; ++i) Put32(entry, 0);
  entry.insert(entry.end(), palette.begin(), palette.end());
  for (int y = h - 1; y >= 0; --y) {
    std::vector<uint8_t> row = rowsTopDown[static_cast<size_t>(y)];
    row.resize(static_cast<size_t>(stride), 0);
    entry.insert(entry.end(), row.begin(), row.end());
  }
  for (int y = h - 1; y >= 0; --y) {
    entry.push_back(maskRowsTopDown[static_cast<size_t>(y)]);
    entry.push_back(0), entry.push_back(0), entry.push_back(0);
  }
  std::vector<uint8_t> file;
  Put16(file, 0), Put16(file, 1), Put16(file, 1);
  file.push_back(w), file.push_back(h), file.push_back(0), file.push_back(0);
  Put16(file, 1), Put16(file, static_cast<unsigned>(bits)), Put32(file, static_cast<uint32_t>(entry.size())),
      Put32(file, 22);
  file.insert(file.end(), entry.begin(), entry.end());
  return file;
}

TEST(IconEntries, OneBitWithMaskFollowsAndThenXor) {
  // Colours: index 0 black, 1 white. Row 0 pixels: 1,0,1,0,1,0,1,0; row 1 all 0.
  // Mask row 0: pixels 0..3 set; row 1: pixel 7 set.
  const std::vector<uint8_t> palette = {0, 0, 0, 0, 255, 255, 255, 0};
  const RasterImage icon =
      DecodeIcon(HandMadeIcon(1, palette, {{0b10101010}, {0}}, {0b11110000, 0b00000001}), "a.ico");
  ASSERT_EQ(icon.Width(), 8);
  ASSERT_EQ(icon.Height(), 2);
  EXPECT_EQ(icon.Format(), PixelFormat::pfDevice);
  // Masked: white xor colour. White pixels turn black (the inverted screen), black ones white.
  EXPECT_EQ(icon.GetPixel(0, 0), kBlack);
  EXPECT_EQ(icon.GetPixel(1, 0), kWhite);
  // Unmasked: the colour itself.
  EXPECT_EQ(icon.GetPixel(4, 0), kWhite);
  EXPECT_EQ(icon.GetPixel(5, 0), kBlack);
  EXPECT_EQ(icon.GetPixel(0, 1), kBlack);
  EXPECT_EQ(icon.GetPixel(7, 1), kWhite);  // transparent black pixel shows the white background
}

TEST(IconEntries, EightBitEntryUsesItsTable) {
  std::vector<uint8_t> palette(256 * 4, 0);
  palette[4 * 5 + 2] = 200;                          // index 5: red 200
  palette[4 * 9 + 0] = 10, palette[4 * 9 + 1] = 20;  // index 9: blue 10, green 20
  const RasterImage icon = DecodeIcon(
      HandMadeIcon(8, palette, {{5, 9, 5, 9, 0, 0, 0, 0}, {9, 9, 9, 9, 9, 9, 9, 5}}, {0, 0}), "b.ico");
  EXPECT_EQ(icon.GetPixel(0, 0), MakeColor(200, 0, 0));
  EXPECT_EQ(icon.GetPixel(1, 0), MakeColor(0, 20, 10));
  EXPECT_EQ(icon.GetPixel(7, 1), MakeColor(200, 0, 0));
  EXPECT_EQ(icon.GetPixel(4, 0), kBlack);
}

TEST(IconEntries, FourBitEntryFromImageMagick) {
  TempDir dir;
  ASSERT_EQ(RunCommand("convert -size 16x16 gradient:red-blue -type palette -colors 16 " +
                       Quote(dir.File("c.ico"))),
            0);
  ASSERT_EQ(
      RunCommand("convert " + Quote(dir.File("c.ico")) + " -depth 8 " + Quote("ppm:" + dir.File("c.ppm"))),
      0);
  const std::vector<uint8_t> bytes = test::ReadBytes(dir.File("c.ico"));
  ASSERT_EQ(bytes[12], 4);  // the entry really is 4-bit
  int w = 0, h = 0;
  const std::vector<Color> want = test::ReadPpm(dir.File("c.ppm"), w, h);
  const RasterImage icon = DecodeIcon(bytes, "c.ico");
  ASSERT_EQ(icon.Width(), 16);
  int wrong = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) wrong += icon.GetPixel(x, y) != want[static_cast<size_t>(y * 16 + x)];
  EXPECT_EQ(wrong, 0);
}

// Written with giflib's encoder: table 0 red, 1 blue, 2 green, 3 black.
void WriteFourFrameGif(const std::string& path) {
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  ASSERT_NE(gif, nullptr);
  GifColorType colours[4] = {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}, {0, 0, 0}};
  ColorMapObject* map = GifMakeMapObject(4, colours);
  EGifSetGifVersion(gif, true);
  ASSERT_EQ(EGifPutScreenDesc(gif, 6, 4, 2, 0, map), GIF_OK);
  auto frame = [&](int left, int top, int w, int h, int disposal, int transparent,
                   const std::vector<uint8_t>& px) {
    GraphicsControlBlock gcb{disposal, false, 10, transparent};
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    ASSERT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext), GIF_OK);
    ASSERT_EQ(EGifPutImageDesc(gif, left, top, w, h, false, nullptr), GIF_OK);
    for (int y = 0; y < h; ++y)
      ASSERT_EQ(EGifPutLine(gif, const_cast<GifPixelType*>(px.data()) + y * w, w), GIF_OK);
  };
  frame(0, 0, 6, 4, DISPOSE_DO_NOT, -1, std::vector<uint8_t>(24, 0));
  frame(1, 1, 2, 2, DISPOSE_BACKGROUND, -1, {1, 1, 1, 1});
  frame(3, 1, 2, 2, DISPOSE_PREVIOUS, 3, {3, 2, 3, 2});
  frame(0, 3, 1, 1, DISPOSE_DO_NOT, -1, {3});
  ASSERT_EQ(EGifCloseFile(gif, &error), GIF_OK);
  GifFreeMapObject(map);
}

TEST(GifCompose, TransparencyAndDisposal) {
  TempDir dir;
  // Frame 0: 6 x 4 red. Frame 1: 2 x 2 blue at (1, 1), disposed to the background.
  // Frame 2: 2 x 2 at (3, 1) whose left column is transparent, right column green,
  // restored to what was there before it. Frame 3: one black pixel at (0, 3).
  WriteFourFrameGif(dir.File("t.gif"));
  const DecodedGif gif = DecodeGifFile(dir.File("t.gif"));
  ASSERT_EQ(gif.frames.size(), 4u);
  EXPECT_EQ(gif.frames[1].disposal, 2);
  EXPECT_EQ(gif.frames[2].transparentIndex, 3);
  EXPECT_EQ(gif.frames[2].delayCentiseconds, 10);
  const RasterImage one = ComposeGifScreen(gif, 1);
  EXPECT_EQ(one.GetPixel(1, 1), MakeColor(0, 0, 255));
  const RasterImage two = ComposeGifScreen(gif, 2);
  EXPECT_EQ(two.GetPixel(1, 1), kWhite);                // frame 1 was cleared to the background
  EXPECT_EQ(two.GetPixel(3, 1), MakeColor(255, 0, 0));  // transparent: frame 0 shows through
  EXPECT_EQ(two.GetPixel(4, 1), MakeColor(0, 255, 0));
  EXPECT_EQ(two.GetPixel(4, 2), MakeColor(0, 255, 0));
  EXPECT_EQ(two.GetPixel(3, 2), MakeColor(255, 0, 0));
  EXPECT_EQ(two.GetPixel(0, 0), MakeColor(255, 0, 0));
  const RasterImage three = ComposeGifScreen(gif, 3);
  EXPECT_EQ(three.GetPixel(4, 1), MakeColor(255, 0, 0));  // frame 2's area as it was before it
  EXPECT_EQ(three.GetPixel(4, 2), MakeColor(255, 0, 0));
  EXPECT_EQ(three.GetPixel(1, 1), kWhite);
  EXPECT_EQ(three.GetPixel(0, 3), kBlack);
}

TEST(JpegCmyk, AdobeCmykFilesAreConvertedToRgb) {
  TempDir dir;
  test::WritePpm(dir.File("in.ppm"), 8, 8, test::Pattern);
  ASSERT_EQ(RunCommand("convert " + Quote(dir.File("in.ppm")) + " -colorspace CMYK -quality 100 " +
                       Quote(dir.File("cmyk.jpg"))),
            0);
  ASSERT_EQ(RunCommand("convert " + Quote(dir.File("cmyk.jpg")) + " -colorspace sRGB -depth 8 " +
                       Quote("ppm:" + dir.File("ref.ppm"))),
            0);
  int w = 0, h = 0;
  const std::vector<Color> want = test::ReadPpm(dir.File("ref.ppm"), w, h);
  const RasterImage image = LoadJpegFile(dir.File("cmyk.jpg"));
  ASSERT_EQ(image.Width(), 8);
  int worst = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const Color a = image.GetPixel(x, y), b = want[static_cast<size_t>(y * 8 + x)];
      worst = std::max({worst, std::abs(RedOf(a) - RedOf(b)), std::abs(GreenOf(a) - GreenOf(b)),
                        std::abs(BlueOf(a) - BlueOf(b))});
    }
  EXPECT_LE(worst, 1);  // the two conversions round differently
}

}  // namespace
}  // namespace tessalin
