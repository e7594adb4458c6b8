// Metafiles made with libUEMF's record builders, played by our reader; the
// expected pixels follow GDI's rules worked out by hand.
#include <gtest/gtest.h>
#include <uemf.h>
#include <uwmf.h>

#include <cmath>
#include <cstring>

#include "core/bmp_codec.h"
#include "core/tessalin_error.h"
#include "formats/formats_fixtures.h"
#include "formats/metafile_codec.h"

namespace tessalin {
namespace {

using test::Quote;
using test::ReadBytes;
using test::RunCommand;
using test::TempDir;

const Color kRed = MakeColor(255, 0, 0), kBlue = MakeColor(0, 0, 255), kGreen = MakeColor(0, 255, 0);

// The picture every file below draws on a 24 x 24 page:
// Rectangle(2, 3, 10, 8) red with a blue one-pixel pen, Ellipse(12, 2, 22, 12)
// likewise, and a green triangle (0, 14), (10, 14), (0, 24) without a pen.
void ExpectScene(const RasterImage& image) {
  ASSERT_EQ(image.Width(), 24);
  ASSERT_EQ(image.Height(), 24);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 12; ++x) {
      Color want = kWhite;
      if (x >= 2 && x < 10 && y >= 3 && y < 8) want = (x == 2 || x == 9 || y == 3 || y == 7) ? kBlue : kRed;
      EXPECT_EQ(image.GetPixel(x, y), want) << x << "," << y;
    }
  EXPECT_EQ(image.GetPixel(17, 7), kRed);    // the ellipse's middle
  EXPECT_EQ(image.GetPixel(12, 2), kWhite);  // its box's corner
  EXPECT_EQ(image.GetPixel(21, 11), kWhite);
  EXPECT_EQ(image.GetPixel(12, 7), kBlue);  // its left border
  EXPECT_EQ(image.GetPixel(1, 15), kGreen);
  EXPECT_EQ(image.GetPixel(4, 18), kGreen);
  EXPECT_EQ(image.GetPixel(9, 22), kWhite);  // beyond the slanted side
  EXPECT_EQ(image.GetPixel(0, 13), kWhite);
}

void WriteEmf(const std::string& path, int scale) {
  EMFTRACK* et = nullptr;
  EMFHANDLES* eht = nullptr;
  ASSERT_EQ(emf_start(path.c_str(), 100000, 10000, &et), 0);
  ASSERT_EQ(htable_create(128, 128, &eht), 0);
  // 96 dpi reference: 24 px = 635 hundredths of a millimetre.
  const U_RECTL bounds = rectl_set(point32_set(0, 0), point32_set(23, 23));
  const U_RECTL frame = rectl_set(point32_set(0, 0), point32_set(635, 635));
  emf_append(reinterpret_cast<U_ENHMETARECORD*>(U_EMRHEADER_set(
                 bounds, frame, nullptr, 0, nullptr, sizel_set(1920, 1440), sizel_set(508, 381), 0)),
             et, U_REC_FREE);
  auto add = [&](char* rec) { emf_append(reinterpret_cast<U_ENHMETARECORD*>(rec), et, U_REC_FREE); };
  if (scale != 1) {
    add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    add(U_EMRSETWINDOWEXTEX_set(sizel_set(24 * scale, 24 * scale)));
    add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(24, 24)));
  }
  uint32_t brush = 0, pen = 0, green = 0;
  add(createbrushindirect_set(&brush, eht, logbrush_set(U_BS_SOLID, colorref_set(255, 0, 0), 0)));
  add(selectobject_set(brush, eht));
  U_POINT width{scale, scale};
  add(createpen_set(&pen, eht, logpen_set(U_PS_SOLID, width, colorref_set(0, 0, 255))));
  add(selectobject_set(pen, eht));
  const int s = scale;
  add(U_EMRRECTANGLE_set(rectl_set(point32_set(2 * s, 3 * s), point32_set(10 * s, 8 * s))));
  add(U_EMRELLIPSE_set(rectl_set(point32_set(12 * s, 2 * s), point32_set(22 * s, 12 * s))));
  add(createbrushindirect_set(&green, eht, logbrush_set(U_BS_SOLID, colorref_set(0, 255, 0), 0)));
  add(selectobject_set(green, eht));
  add(selectobject_set(U_NULL_PEN, eht));
  U_POINT16 tri[3] = {{static_cast<int16_t>(0), static_cast<int16_t>(14 * s)},
                      {static_cast<int16_t>(10 * s), static_cast<int16_t>(14 * s)},
                      {static_cast<int16_t>(0), static_cast<int16_t>(24 * s)}};
  add(U_EMRPOLYGON16_set(bounds, 3, tri));
  add(U_EMREOF_set(0, nullptr, et));
  ASSERT_EQ(emf_finish(et, eht), 0);
  emf_free(&et);
  htable_free(&eht);
}

void WriteWmf(const std::string& path, bool placeable) {
  WMFTRACK* wt = nullptr;
  WMFHANDLES* wht = nullptr;
  ASSERT_EQ(wmf_start(path.c_str(), 100000, 10000, &wt), 0);
  ASSERT_EQ(wmf_htable_create(128, 128, &wht), 0);
  U_PAIRF size{0.25f, 0.25f};  // a quarter inch at 96 units an inch: 24 units
  wmf_header_append(reinterpret_cast<U_METARECORD*>(U_WMRHEADER_set(placeable ? &size : nullptr, 96)), wt,
                    U_REC_FREE);
  auto add = [&](char* rec) { wmf_append(reinterpret_cast<U_METARECORD*>(rec), wt, U_REC_FREE); };
  add(U_WMRSETWINDOWORG_set(U_POINT16{0, 0}));
  add(U_WMRSETWINDOWEXT_set(U_POINT16{24, 24}));
  uint32_t brush = 0, pen = 0, green = 0, nullPen = 0;
  add(wcreatebrushindirect_set(&brush, wht, U_WLOGBRUSH_set(U_BS_SOLID, colorref_set(255, 0, 0), 0)));
  add(wselectobject_set(brush, wht));
  add(wcreatepenindirect_set(&pen, wht, U_PEN_set(U_PS_SOLID, 1, colorref_set(0, 0, 255))));
  add(wselectobject_set(pen, wht));
  add(U_WMRRECTANGLE_set(U_RECT16_set(U_POINT16{2, 3}, U_POINT16{10, 8})));
  add(U_WMRELLIPSE_set(U_RECT16_set(U_POINT16{12, 2}, U_POINT16{22, 12})));
  add(wcreatebrushindirect_set(&green, wht, U_WLOGBRUSH_set(U_BS_SOLID, colorref_set(0, 255, 0), 0)));
  add(wselectobject_set(green, wht));
  add(wcreatepenindirect_set(&nullPen, wht, U_PEN_set(U_PS_NULL, 1, colorref_set(0, 0, 0))));
  add(wselectobject_set(nullPen, wht));
  U_POINT16 tri[3] = {{0, 14}, {10, 14}, {0, 24}};
  add(U_WMRPOLYGON_set(3, tri));
  add(U_WMREOF_set());
  ASSERT_EQ(wmf_finish(wt), 0);
  wmf_free(&wt);
  wmf_htable_free(&wht);
}

TEST(MetafileRead, EnhancedVectorRecords) {
  TempDir dir;
  WriteEmf(dir.File("plain.emf"), 1);
  ExpectScene(LoadMetafile(dir.File("plain.emf")));
  // The same page in logical units ten times finer, through the anisotropic mapping.
  WriteEmf(dir.File("scaled.emf"), 10);
  ExpectScene(LoadMetafile(dir.File("scaled.emf")));
}

TEST(MetafileRead, OldStyleVectorRecordsPlaceableOrNot) {
  TempDir dir;
  WriteWmf(dir.File("placeable.wmf"), true);
  ExpectScene(LoadMetafile(dir.File("placeable.wmf")));
  WriteWmf(dir.File("bare.wmf"), false);
  ExpectScene(LoadMetafile(dir.File("bare.wmf")));
}

TEST(MetafileRead, StretchedBitmapRecords) {
  // Our writer's picture drawn at twice its size by a second StretchDIBits:
  // take the written record and change its destination width and height.
  RasterImage picture = NewRaster(PixelFormat::pf24Bit, 2, 3);
  picture.SetPixel(0, 0, kRed);
  picture.SetPixel(2, 1, kBlue);
  std::vector<uint8_t> emf = EncodeEmf(picture);
  const RasterImage same = DecodeEmf(emf, "x.emf");
  EXPECT_EQ(same.GetPixel(0, 0), kRed);
  EXPECT_EQ(same.GetPixel(2, 1), kBlue);
  EXPECT_EQ(same.GetPixel(1, 0), kWhite);
  // The StretchDIBits record follows the header: cDest sits 72 bytes into it.
  const uint32_t headerSize = emf[4] | (emf[5] << 8);
  ASSERT_EQ(emf[headerSize], U_EMR_STRETCHDIBITS);
  emf[headerSize + 72] = 6;  // cDest.x: 3 -> 6, clipped to the 3-pixel page
  emf[headerSize + 76] = 4;  // cDest.y: 2 -> 4
  const RasterImage stretched = DecodeEmf(emf, "x.emf");
  EXPECT_EQ(stretched.GetPixel(0, 0), kRed);
  EXPECT_EQ(stretched.GetPixel(1, 1), kRed);
  EXPECT_EQ(stretched.GetPixel(2, 0), kWhite);
  EXPECT_EQ(stretched.GetPixel(2, 1), kWhite);
}

// Run-length bitmaps are decoded only where a record samples them: drawn 1:1,
// stretched, mirrored and half off the page, each pixel is the one the BMP
// reader finds in the same ImageMagick RLE8 file, by nearest sampling.
TEST(MetafileRead, RunLengthBitmapsDrawTheirSampledPixels) {
  TempDir dir;
  test::WritePpm(dir.File("in.ppm"), 13, 9, test::Pattern);
  ASSERT_EQ(RunCommand("convert " + Quote(dir.File("in.ppm")) + " -colors 12 -compress RLE -type Palette " +
                       Quote("bmp3:" + dir.File("r.bmp"))),
            0);
  const std::vector<uint8_t> bmp = ReadBytes(dir.File("r.bmp"));
  ASSERT_EQ(bmp[30], 1);  // RLE8
  const RasterImage want = DecodeBmp(bmp, "r.bmp");
  const uint32_t offBits = bmp[10] | (bmp[11] << 8);
  std::vector<uint8_t> info(bmp.begin() + 14, bmp.begin() + offBits);
  std::vector<uint8_t> bits(bmp.begin() + offBits, bmp.end());

  struct Case {
    int x, y, w, h;  // destination on a 20 x 16 page; the whole 13 x 9 bitmap is the source
  } cases[] = {{2, 3, 13, 9}, {1, 0, 26, 18}, {18, 2, -13, 9}, {-6, 10, 13, 9}, {0, 0, 5, 4}};
  const std::vector<uint8_t> page = EncodeEmf(NewRaster(PixelFormat::pf24Bit, 16, 20));
  for (const Case& c : cases) {
    char* record =
        U_EMRSTRETCHDIBITS_set(rectl_set(point32_set(0, 0), point32_set(19, 15)), point32_set(c.x, c.y),
                               point32_set(c.w, c.h), point32_set(0, 0), point32_set(13, 9), U_DIB_RGB_COLORS,
                               U_SRCCOPY, reinterpret_cast<PU_BITMAPINFO>(info.data()),
                               static_cast<uint32_t>(bits.size()), reinterpret_cast<char*>(bits.data()));
    ASSERT_NE(record, nullptr);
    uint32_t recordSize = 0;
    std::memcpy(&recordSize, record + 4, 4);
    std::vector<uint8_t> emf(page.begin(), page.end() - 20);  // the page's end record follows the drawing
    emf.insert(emf.end(), record, record + recordSize);
    std::free(record);
    emf.insert(emf.end(), page.end() - 20, page.end());
    const RasterImage got = DecodeEmf(emf, "rle.emf");
    const int left = std::min(c.x, c.x + c.w), right = std::max(c.x, c.x + c.w);
    const int top = std::min(c.y, c.y + c.h), bottom = std::max(c.y, c.y + c.h);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 20; ++x) {
        Color expected = kWhite;
        if (x >= left && x < right && y >= top && y < bottom) {
          const int sx = static_cast<int>(std::floor((x + 0.5 - c.x) * 13 / c.w));
          const int sy = static_cast<int>(std::floor((y + 0.5 - c.y) * 9 / c.h));
          expected = want.GetPixel(sx, sy);
        }
        ASSERT_EQ(got.GetPixel(x, y), expected)
            << c.x << "," << c.y << " " << c.w << "x" << c.h << " at " << x << "," << y;
      }
  }
}

TEST(MetafileRead, EndlessPaintingIsRefused) {
  // 11000 pattern fills of a whole 100 x 100 page: far more painting than any real picture needs.
  const std::vector<uint8_t> one = EncodeEmf(NewRaster(PixelFormat::pf24Bit, 100, 100));
  const uint32_t headerSize = one[4] | (one[5] << 8);
  std::vector<uint8_t> emf(one.begin(), one.begin() + headerSize);
  std::vector<uint8_t> fill(100, 0);
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) fill[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(0, U_EMR_BITBLT), put(4, 100), put(32, 100), put(36, 100), put(40, 0x00F00021);  // PATCOPY, no bitmap
  for (int i = 0; i < 11000; ++i) emf.insert(emf.end(), fill.begin(), fill.end());
  const std::vector<uint8_t> eof(one.end() - 20, one.end());
  emf.insert(emf.end(), eof.begin(), eof.end());
  try {
    DecodeEmf(emf, "busy.emf");
    FAIL() << "no error";
  } catch (const TessalinError& e) {
    EXPECT_NE(std::string(e.what()).find("too many"), std::string::npos) << e.what();
  }
  // A hundred of them are fine: the page is the brush's colour (white).
  std::vector<uint8_t> few(one.begin(), one.begin() + headerSize);
  for (int i = 0; i < 100; ++i) few.insert(few.end(), fill.begin(), fill.end());
  few.insert(few.end(), eof.begin(), eof.end());
  EXPECT_EQ(DecodeEmf(few, "few.emf").GetPixel(50, 50), kWhite);
}

TEST(MetafileRead, DamagedFilesAreRefused) {
  RasterImage picture = NewRaster(PixelFormat::pf24Bit, 5, 7);
  for (const bool wmf : {false, true}) {
    const std::vector<uint8_t> good = wmf ? EncodeWmf(picture) : EncodeEmf(picture);
    auto decode = [&](std::vector<uint8_t> bytes) {
      return wmf ? DecodeWmf(bytes, "m") : DecodeEmf(bytes, "m");
    };
    EXPECT_NO_THROW(decode(good));
    for (size_t cut : {size_t{0}, size_t{10}, good.size() / 2, good.size() - 1})
      EXPECT_THROW(decode(std::vector<uint8_t>(good.begin(), good.begin() + cut)), TessalinError) << cut;
  }
}

}  // namespace
}  // namespace tessalin
