// Truncated, corrupted and oversized files of every format: a clear error
// naming the file, never a crash, never a huge allocation.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "core/tessalin_error.h"
#include "formats/formats_fixtures.h"

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

class DamagedFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    WritePpm(dir.File("in.ppm"), 40, 30, Pattern);
    const std::string in = Quote(dir.File("in.ppm"));
    ASSERT_EQ(RunCommand("cjpeg " + in + " > " + Quote(dir.File("good.jpg"))), 0);
    ASSERT_EQ(RunCommand("convert " + in + " " + Quote(dir.File("good.gif"))), 0);
    ASSERT_EQ(RunCommand("convert " + in + " " + Quote(dir.File("good.ico"))), 0);
    ASSERT_EQ(RunCommand("convert " + in + " " + Quote("bmp3:" + dir.File("good.bmp"))), 0);
    ASSERT_EQ(RunCommand("convert " + in + " " + Quote(dir.File("good.png"))), 0);
    ASSERT_EQ(RunCommand("cp " + in + " " + Quote(dir.File("good.ppm"))), 0);
    FileHarness h;
    RasterImage picture = NewRaster(PixelFormat::pf24Bit, 30, 40);
    ASSERT_TRUE(SaveImageFile(dir.File("good.emf"), picture, h.context));
    ASSERT_TRUE(SaveImageFile(dir.File("good.wmf"), picture, h.context));
  }

  // Loading `bytes` as `ext` must give an error naming the file.
  void ExpectError(const std::vector<uint8_t>& bytes, const std::string& ext,
                   const std::string& mustMention = "") {
    const std::string path = dir.File("bad" + ext);
    WriteBytes(path, bytes);
    FileHarness h;
    try {
      LoadImageFile(path, h.context);
      ADD_FAILURE() << ext << " of " << bytes.size() << " bytes loaded";
    } catch (const TessalinError& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find(path), std::string::npos) << what;
      if (!mustMention.empty()) {
        EXPECT_NE(what.find(mustMention), std::string::npos) << what;
      }
    }
  }

  TempDir dir;
  const std::vector<std::string> kinds = {".jpg", ".gif", ".ico", ".emf", ".wmf", ".bmp", ".png", ".ppm"};
};

TEST_F(DamagedFiles, TruncatedCopiesOfEveryFormatAreRefused) {
  for (const std::string& ext : kinds) {
    const std::vector<uint8_t> good = ReadBytes(dir.File("good" + ext));
    ASSERT_GT(good.size(), 100u) << ext;
    for (size_t cut : {size_t{0}, size_t{5}, good.size() / 3, good.size() / 2, good.size() - 1})
      ExpectError(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(cut)), ext);
  }
}

TEST_F(DamagedFiles, CorruptedCopiesLoadOrFailCleanly) {
  std::mt19937 random(20261208);
  for (const std::string& ext : kinds) {
    const std::vector<uint8_t> good = ReadBytes(dir.File("good" + ext));
    int refused = 0;
    for (int round = 0; round < 150; ++round) {
      std::vector<uint8_t> bad = good;
      const int changes = 1 + static_cast<int>(random() % 8);
      for (int i = 0; i < changes; ++i) {
        // Mostly the first bytes, where the sizes and counts live.
        const size_t limit = random() % 2 ? std::min<size_t>(bad.size(), 64) : bad.size();
        bad[random() % limit] = static_cast<uint8_t>(random());
      }
      WriteBytes(dir.File("bad" + ext), bad);
      FileHarness h;
      try {
        const RasterImage image = LoadImageFile(dir.File("bad" + ext), h.context);
        EXPECT_LE(static_cast<int64_t>(image.Width()) * image.Height(), int64_t{100'000'000});
      } catch (const TessalinError&) {
        ++refused;
      }
    }
    RecordProperty(ext, refused);
  }
}

TEST_F(DamagedFiles, PicturesAboveThePixelLimitAreRefusedBeforeAllocating) {
  // GIF: a 20000 x 20000 logical screen.
  std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 0x20, 0x4E, 0x20, 0x4E, 0, 0, 0, ';'};
  ExpectError(gif, ".gif", "limit");
  // A small screen but a 20000 x 20000 frame.
  std::vector<uint8_t> frame = {'G',  'I',  'F',  '8',  '9', 'a', 10,  0,    10,   0, 0x80, 0,
                                0,    0,    0,    0,    255, 255, 255, ',',  0,    0, 0,    0,
                                0x20, 0x4E, 0x20, 0x4E, 0,   2,   2,   0x4C, 0x01, 0, ';'};
  ExpectError(frame, ".gif", "limit");

  // JPEG: the frame header says 60000 x 60000.
  std::vector<uint8_t> jpeg = ReadBytes(dir.File("good.jpg"));
  for (size_t i = 0; i + 9 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      jpeg[i + 5] = 0xEA, jpeg[i + 6] = 0x60, jpeg[i + 7] = 0xEA, jpeg[i + 8] = 0x60;
      break;
    }
  ExpectError(jpeg, ".jpg", "limit");

  // Icon: a bitmap entry whose header claims 100000 pixels a row.
  std::vector<uint8_t> ico = ReadBytes(dir.File("good.ico"));
  const uint32_t offset = ico[18] | (ico[19] << 8) | (ico[20] << 16) | (ico[21] << 24);
  ASSERT_EQ(ico[offset], 40);  // ImageMagick stores small entries as bitmaps
  ico[offset + 4] = 0xA0, ico[offset + 5] = 0x86, ico[offset + 6] = 0x01;   // width 100000
  ico[offset + 8] = 0x40, ico[offset + 9] = 0x0D, ico[offset + 10] = 0x03;  // height 2 x 100000
  ExpectError(ico, ".ico", "limit");

  // PNG: 20000 x 20000 in a header with a sound checksum.
  std::vector<uint8_t> png = ReadBytes(dir.File("good.png"));
  png[16] = 0, png[17] = 0, png[18] = 0x4E, png[19] = 0x20, png[20] = 0, png[21] = 0, png[22] = 0x4E,
  png[23] = 0x20;
  test::FixPngCrcs(png);
  ExpectError(png, ".png", "limit");
  // Within the limit, but far more pixels than the compressed data can hold.
  png[18] = 0x13, png[19] = 0x88, png[22] = 0x13, png[23] = 0x88;  // 5000 x 5000
  test::FixPngCrcs(png);
  ExpectError(png, ".png", "too few");
  // Netpbm: the header's numbers, raw and as a PAM.
  const std::string ppm = "P6\n20000 20000\n255\n";
  ExpectError(std::vector<uint8_t>(ppm.begin(), ppm.end()), ".ppm", "limit");
  const std::string pam = "P7\nWIDTH 100000000\nHEIGHT 2\nDEPTH 1\nMAXVAL 255\nENDHDR\n";
  ExpectError(std::vector<uint8_t>(pam.begin(), pam.end()), ".pam", "limit");

  // Enhanced metafile: a frame of 10 metres.
  std::vector<uint8_t> emf = ReadBytes(dir.File("good.emf"));
  emf[32] = 0x40, emf[33] = 0x42, emf[34] = 0x0F, emf[35] = 0;  // right 1000000
  emf[36] = 0x40, emf[37] = 0x42, emf[38] = 0x0F, emf[39] = 0;  // bottom
  ExpectError(emf, ".emf", "limit");

  // Placeable metafile: 32767 units at one unit an inch.
  std::vector<uint8_t> wmf = ReadBytes(dir.File("good.wmf"));
  wmf[10] = 0xFF, wmf[11] = 0x7F, wmf[12] = 0xFF, wmf[13] = 0x7F, wmf[14] = 1, wmf[15] = 0;
  ExpectError(wmf, ".wmf", "limit");
}

TEST_F(DamagedFiles, GifWithBadCodesOrEmptyFramesIsRefused) {
  // One 2 x 2 frame whose LZW data starts with a code past the table.
  std::vector<uint8_t> bad = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x80, 0, 0, 0,    0,    0, 255, 255,
                              255, ',', 0,   0,   0,   0,   2, 0, 2, 0, 0,    2, 2, 0xFF, 0xFF, 0, ';'};
  ExpectError(bad, ".gif", "LZW");
  // A frame of height 0.
  std::vector<uint8_t> empty = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x80, 0, 0, 0,    0,    0, 255, 255,
                                255, ',', 0,   0,   0,   0,   2, 0, 0, 0, 0,    2, 2, 0x4C, 0x01, 0, ';'};
  ExpectError(empty, ".gif", "no pixels");
  // No frame at all.
  std::vector<uint8_t> none = {'G',  'I', 'F', '8', '9', 'a', 2,   0,   2,   0,
                               0x80, 0,   0,   0,   0,   0,   255, 255, 255, ';'};
  ExpectError(none, ".gif", "no picture");
}

// Hostile inputs kept in tests/reliability/data: each refusal says what is
// wrong with the file, in words of its own.
TEST_F(DamagedFiles, RefusalsSayWhatIsWrong) {
  const std::filesystem::path kept =
      std::filesystem::path(TESSALIN_TEST_DATA_DIR).parent_path() / "reliability" / "data";
  const struct {
    const char *input, *ext, *mention;
  } rows[] = {{"gif-lzw_code_size_12", ".gif", "LZW minimum code size of 12"},
              {"gif-no_trailer", ".gif", "without its trailer"},
              {"emf-nan_world_transform", ".emf", "not finite"},
              {"emf-rle_bitmaps_declaring_10000x10000", ".emf", "too many or too large"},
              {"icon-rle_entry_declaring_10000x10000", ".ico", "mask is cut short"},
              {"jpeg-progressive_999_scans", ".jpg", "more than 100 progressive scans"},
              {"jpeg-cmyk_progressive_declaring_10000x10000", ".jpg", "needs more than"}};
  for (const auto& row : rows) ExpectError(ReadBytes((kept / row.input).string()), row.ext, row.mention);
}

TEST_F(DamagedFiles, MissingFilesNameThemselves) {
  for (const std::string ext :
       {".jpg", ".gif", ".ico", ".emf", ".wmf", ".bmp", ".wbmp", ".png", ".pbm", ".pam"}) {
    FileHarness h;
    const std::string path = dir.File("missing" + ext);
    try {
      LoadImageFile(path, h.context);
      ADD_FAILURE() << ext;
    } catch (const TessalinError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace tessalin
