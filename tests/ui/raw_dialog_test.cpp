// TRawInfo_Dlg_Frm: the square guess, Swap, the refusals and the reads.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/tessalin_error.h"
#include "formats/ui/raw_info_dialog.h"
#include "support/test_pictures.h"
#include "ui/frame_test_support.h"

namespace tessalin {
namespace {

class RawDialogTest : public ::testing::Test {
 protected:
  std::string WriteFile(const std::vector<uint8_t>& bytes) {
    const std::string path = dir.File("picture.raw");
    test::WriteBytes(path, bytes);
    return path;
  }
  QLineEdit* Edit(const char* name) { return dialog.findChild<QLineEdit*>(name); }
  QString Label(const char* name) { return dialog.findChild<QLabel*>(name)->text(); }
  void Channel(int index) {
    dialog.findChild<QRadioButton*>(QString("PfBit_RdoGrp_Item%1").arg(index))->setChecked(true);
  }
  void Click(const char* name) { dialog.findChild<QPushButton*>(name)->click(); }

  test::TempDir dir;
  test::FakeFramePrompts prompts;
  TRawInfo_Dlg_Frm dialog{prompts};
};

TEST_F(RawDialogTest, ProposesTheSquareGuessAndShowsTheFile) {
  const std::string path = WriteFile(std::vector<uint8_t>(12, 7));
  dialog.SetRawFile(path);
  EXPECT_EQ(dialog.windowTitle(), "RawImage Info");
  EXPECT_EQ(Label("FileSize_Lbl"), "(12 bytes)");
  EXPECT_EQ(Label("FileName_Lbl"), "\"" + QString::fromStdString(path) + "\"");
  EXPECT_EQ(Edit("Height_Edit")->text(), "3");
  EXPECT_EQ(Edit("Width_Edit")->text(), "4");
  // "8bit" is chosen at start.
  EXPECT_TRUE(dialog.findChild<QRadioButton*>("PfBit_RdoGrp_Item1")->isChecked());
}

TEST_F(RawDialogTest, TooLargeOrZeroSizesAreRefusedAndTheDialogStays) {
  dialog.SetRawFile(WriteFile(std::vector<uint8_t>(12, 7)));
  Channel(3);  // 3 x 12 = 36 > 12
  Click("Open_Btn");
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0], "InValid ImageSize...\rReTry, Please!");
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_FALSE(dialog.TakeResult().HasImage());

  for (const char* height : {"0", "abc", "-3"}) {
    Edit("Height_Edit")->setText(height);
    Edit("Width_Edit")->setText("-4");
    Channel(1);
    Click("Open_Btn");
  }
  EXPECT_EQ(prompts.messages.size(), 4u);
  EXPECT_FALSE(dialog.TakeResult().HasImage());
}

TEST_F(RawDialogTest, EightBitFileOpensAsGrey) {
  std::vector<uint8_t> bytes(12);
  for (int i = 0; i < 12; ++i) bytes[i] = static_cast<uint8_t>(i * 20);
  dialog.SetRawFile(WriteFile(bytes));
  Click("Open_Btn");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  const RasterImage picture = dialog.TakeResult();
  ASSERT_EQ(picture.Width(), 4);
  ASSERT_EQ(picture.Height(), 3);
  EXPECT_EQ(picture.Format(), PixelFormat::pf24Bit);
  EXPECT_EQ(test::PixelAt(picture, 1, 2), (test::Bgr{180, 180, 180}));
  EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(RawDialogTest, SmallerImageAsksAndNoKeepsTheDialog) {
  std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  dialog.SetRawFile(WriteFile(bytes));
  Edit("Height_Edit")->setText("3");
  Edit("Width_Edit")->setText("3");
  prompts.confirmAnswers = {false, true};
  Click("Open_Btn");
  ASSERT_EQ(prompts.confirmations.size(), 1u);
  EXPECT_EQ(prompts.confirmations[0], "ImageSize is smaller than FileSize. Continue?");
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  Click("Open_Btn");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  const RasterImage picture = dialog.TakeResult();
  ASSERT_EQ(picture.Width(), 3);
  EXPECT_EQ(test::PixelAt(picture, 2, 2), (test::Bgr{9, 9, 9}));
}

TEST_F(RawDialogTest, OneBitRowsArePaddedToWholeBytes) {
  // Width 10: 2 bytes a row; row 0 = 1010 0000 11.., row 1 all black.
  dialog.SetRawFile(WriteFile({0xA0, 0xC0, 0x00, 0x00}));
  Edit("Height_Edit")->setText("2");
  Edit("Width_Edit")->setText("10");
  Channel(0);
  Click("Open_Btn");
  const RasterImage picture = dialog.TakeResult();
  ASSERT_EQ(picture.Width(), 10);
  ASSERT_EQ(picture.Height(), 2);
  EXPECT_EQ(picture.Format(), PixelFormat::pf1Bit);
  EXPECT_EQ(picture.GetPixel(0, 0), kWhite);
  EXPECT_EQ(picture.GetPixel(1, 0), kBlack);
  EXPECT_EQ(picture.GetPixel(2, 0), kWhite);
  EXPECT_EQ(picture.GetPixel(8, 0), kWhite);
  EXPECT_EQ(picture.GetPixel(9, 0), kWhite);
  EXPECT_EQ(picture.GetPixel(9, 1), kBlack);
}

TEST_F(RawDialogTest, SixteenAndTwentyFourBitPixelsKeepTheirFields) {
  // 16 bit, little-endian: 0xFFFF, 0xF800.
  dialog.SetRawFile(WriteFile({0xFF, 0xFF, 0x00, 0xF8}));
  Edit("Height_Edit")->setText("1");
  Edit("Width_Edit")->setText("2");
  Channel(2);
  Click("Open_Btn");
  RasterImage picture = dialog.TakeResult();
  ASSERT_EQ(picture.Width(), 2);
  EXPECT_EQ(test::PixelAt(picture, 0, 0), (test::Bgr{31, 63, 31}));
  EXPECT_EQ(test::PixelAt(picture, 1, 0), (test::Bgr{0, 0, 31}));

  TRawInfo_Dlg_Frm second(prompts);
  test::WriteBytes(dir.File("red.raw"), {255, 0, 0});
  second.SetRawFile(dir.File("red.raw"));
  second.findChild<QLineEdit*>("Height_Edit")->setText("1");
  second.findChild<QLineEdit*>("Width_Edit")->setText("1");
  second.findChild<QRadioButton*>("PfBit_RdoGrp_Item3")->setChecked(true);
  second.findChild<QPushButton*>("Open_Btn")->click();
  picture = second.TakeResult();
  EXPECT_EQ(picture.GetPixel(0, 0), MakeColor(255, 0, 0));
}

TEST_F(RawDialogTest, SwapExchangesTheFieldsAndRefusesANonNumber) {
  dialog.SetRawFile(WriteFile(std::vector<uint8_t>(12, 0)));
  Click("Swap_Btn");
  EXPECT_EQ(Edit("Height_Edit")->text(), "4");
  EXPECT_EQ(Edit("Width_Edit")->text(), "3");
  Edit("Height_Edit")->setText("x1");
  Click("Swap_Btn");
  EXPECT_EQ(Edit("Height_Edit")->text(), "x1");
  EXPECT_EQ(Edit("Width_Edit")->text(), "3");
  EXPECT_EQ(prompts.messages.size(), 1u);
}

TEST_F(RawDialogTest, EmptyFileProposesZeroAndCannotOpen) {
  dialog.SetRawFile(WriteFile({}));
  EXPECT_EQ(Edit("Height_Edit")->text(), "0");
  EXPECT_EQ(Edit("Width_Edit")->text(), "0");
  Click("Open_Btn");
  EXPECT_EQ(prompts.messages.size(), 1u);
}

TEST_F(RawDialogTest, MissingFileThrowsWithItsName) {
  try {
    dialog.SetRawFile(dir.File("gone.raw"));
    FAIL() << "no error";
  } catch (const TessalinError& error) {
    EXPECT_NE(std::string(error.what()).find("gone.raw"), std::string::npos);
  }
}

}  // namespace
}  // namespace tessalin
