// The wizard run end to end against a stand-in frame: dialog, file dialog,
// load, recipe windows in order, source window last, tiling.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QRadioButton>

#include "app/wizard_run.h"
#include "support/test_pictures.h"
#include "wizard/ui/wizard_dialog.h"
#include "wizard_fake_app.h"
#include "wizard_ui_events.h"

namespace tessalin {
namespace {

using test::FakeApp;
using test::KeyClick;
using test::MouseClick;
using test::WhenShown;

const std::vector<std::string> kVariousSet = {
    "pf1bit",           "pf1bit2",           "Mono",              "Dither_R",          "Dither_G",
    "Dither_B",         "Dither_I",          "Conv_RGB_Dither_R", "Conv_RGB_Dither_G", "Conv_RGB_Dither_B",
    "Conv_RGB_Dither_I", "Conv_HSI_Dither_R", "Conv_HSI_Dither_G", "Conv_HSI_Dither_B", "Conv_HSI_Dither_I"};
const std::vector<std::string> kPictureSet = {"pf1bit",   "pf1bit2",  "Mono",    "Dither_R",
                                              "Dither_G", "Dither_B", "Dither_I"};

void ClickChoice(TWizard_Frm& wizard, const char* name) {
  auto* button = wizard.findChild<QRadioButton*>(QString::fromLatin1(name));
  ASSERT_NE(button, nullptr) << name;
  MouseClick(button, QPoint(8, button->height() / 2));
}
void ClickNext(TWizard_Frm& wizard) { MouseClick(wizard.findChild<QPushButton*>("Next_BitBtn")); }

class WizardRunTest : public ::testing::Test {
 protected:
  // A 40 x 30 picture in the given ImageMagick type, as a plain BMP.
  std::string MakePicture(const char* name, const char* type) {
    const std::string path = dir.File(name);
    const std::string command = std::string("convert -size 40x30 gradient:'#e04020-#2060c0' -type ") + type +
                                " BMP3:'" + path + "' 2>/dev/null";
    EXPECT_EQ(test::RunCommand(command), 0);
    return path;
  }

  test::TempDir dir;
  FakeApp app;
};

TEST_F(WizardRunTest, EnterAtOnceMakesTheVariousSetThenTheSourceTiled) {
  app.fileToOpen = QString::fromStdString(MakePicture("photo.bmp", "TrueColor"));
  WhenShown<TWizard_Frm>([](TWizard_Frm& wizard) { KeyClick(&wizard, Qt::Key_Return); });
  RunWizard(app);

  EXPECT_EQ(app.openTitles, QStringList{"Select Image for Wizard Processing"});
  EXPECT_EQ(app.openFilters, std::vector<int>{1});
  std::vector<std::string> expected = kVariousSet;
  expected.push_back(app.fileToOpen.toStdString());
  EXPECT_EQ(app.Names(), expected);  // no "Wizard_Bmp": nothing is scaled
  ASSERT_EQ(app.windows.size(), 16u);
  for (size_t i = 0; i < 15; ++i) {
    EXPECT_EQ(app.windows[i].caption, "Result" + std::to_string(i + 1));
    EXPECT_EQ(app.windows[i].picture.Width(), 40);
    EXPECT_EQ(app.windows[i].picture.Height(), 30);
  }
  EXPECT_TRUE(app.windows[15].isSource);
  EXPECT_EQ(app.windows[15].caption, "photo.bmp");
  EXPECT_EQ(app.tiles, 1);
  EXPECT_EQ(app.progressShows, 1);
  EXPECT_TRUE(app.progressVisibleAtEveryResult);
  EXPECT_FALSE(app.progressVisible);
  EXPECT_EQ(app.progress.maximums, std::vector<int>{16});
  ASSERT_EQ(app.progress.hints.size(), 16u);
  EXPECT_EQ(app.progress.hints[7], "ProcessRation : 50% completed.");
  EXPECT_EQ(app.progress.hints.back(), "ProcessRation : 100% completed.");
  EXPECT_FALSE(app.state.WizardOpenFlag);
  EXPECT_TRUE(app.prompts.messages.empty());
}

TEST_F(WizardRunTest, DetailAt75PercentShowsTheReducedPictureFirst) {
  app.fileToOpen = QString::fromStdString(MakePicture("palette.bmp", "Palette"));
  WhenShown<TWizard_Frm>([](TWizard_Frm& wizard) {
    ClickChoice(wizard, "WMode2_RBtn");
    ClickNext(wizard);
    ClickNext(wizard);  // picture type
    ClickChoice(wizard, "ScaleType2_RBtn");
    ClickNext(wizard);
    ClickNext(wizard);  // Finish with the simple result type
  });
  RunWizard(app);

  std::vector<std::string> expected = {"Wizard_Bmp"};
  expected.insert(expected.end(), kPictureSet.begin(), kPictureSet.end());
  expected.push_back(app.fileToOpen.toStdString());
  ASSERT_EQ(app.Names(), expected);
  // 40 / (4/3) = 30 and 30 / (4/3) = 22.5, cut to 22.
  EXPECT_EQ(app.windows[0].picture.Width(), 30);
  EXPECT_EQ(app.windows[0].picture.Height(), 22);
  EXPECT_EQ(app.windows[0].picture.Format(), PixelFormat::pf24Bit);
  EXPECT_EQ(app.windows[1].caption, "Result2");
  // A scaled run leaves the source window with the picture made 24-bit.
  EXPECT_EQ(app.windows.back().picture.Format(), PixelFormat::pf24Bit);
  EXPECT_EQ(app.progress.maximums, std::vector<int>{8});
  EXPECT_EQ(app.tiles, 1);
}

TEST_F(WizardRunTest, UnscaledRunKeepsTheSourcesOwnPixelFormat) {
  app.fileToOpen = QString::fromStdString(MakePicture("palette.bmp", "Palette"));
  WhenShown<TWizard_Frm>([](TWizard_Frm& wizard) { KeyClick(&wizard, Qt::Key_Return); });
  RunWizard(app);
  ASSERT_EQ(app.windows.size(), 16u);
  EXPECT_EQ(app.windows.back().picture.Format(), PixelFormat::pf8Bit);
}

TEST_F(WizardRunTest, IconSourceProposesTheIconFilterAndCancelEndsTheRun) {
  app.fileToOpen.clear();  // the file dialog is cancelled
  WhenShown<TWizard_Frm>([](TWizard_Frm& wizard) {
    ClickChoice(wizard, "WMode2_RBtn");
    ClickNext(wizard);
    ClickChoice(wizard, "SrcType2_RBtn");
    ClickNext(wizard);
    ClickNext(wizard);
  });
  RunWizard(app);
  EXPECT_EQ(app.openFilters, std::vector<int>{4});
  EXPECT_TRUE(app.windows.empty());
  EXPECT_EQ(app.progressShows, 0);
  EXPECT_EQ(app.tiles, 0);
}

TEST_F(WizardRunTest, CancelledWizardAsksForNoFile) {
  app.fileToOpen = QString::fromStdString(MakePicture("photo.bmp", "TrueColor"));
  WhenShown<TWizard_Frm>([](TWizard_Frm& wizard) { KeyClick(&wizard, Qt::Key_Escape); });
  RunWizard(app);
  EXPECT_TRUE(app.openTitles.isEmpty());
  EXPECT_TRUE(app.windows.empty());
}

TEST_F(WizardRunTest, FileWithoutImageIsReportedAndNotProcessed) {
  const std::string refused = dir.File("scan.tif");
  test::WriteBytes(refused, {'I', 'I', 42, 0});
  app.fileToOpen = QString::fromStdString(refused);
  WhenShown<TWizard_Frm>([](TWizard_Frm& wizard) { KeyClick(&wizard, Qt::Key_Return); });
  RunWizard(app);
  ASSERT_FALSE(app.prompts.messages.empty());
  EXPECT_EQ(app.prompts.messages.back(), "InValid Operation to open file you selected.");
  EXPECT_TRUE(app.windows.empty());
  EXPECT_EQ(app.progressShows, 0);
  EXPECT_FALSE(app.state.WizardOpenFlag);
}

TEST_F(WizardRunTest, DamagedFileEndsTheRunWithItsErrorAndClearsTheFlag) {
  const std::string damaged = dir.File("broken.bmp");
  test::WriteBytes(damaged, {'B', 'M', 1, 2, 3});
  app.fileToOpen = QString::fromStdString(damaged);
  WhenShown<TWizard_Frm>([](TWizard_Frm& wizard) { KeyClick(&wizard, Qt::Key_Return); });
  RunWizard(app);
  ASSERT_EQ(app.prompts.messages.size(), 1u);
  EXPECT_NE(app.prompts.messages[0].find("broken.bmp"), std::string::npos) << app.prompts.messages[0];
  EXPECT_TRUE(app.windows.empty());
  EXPECT_FALSE(app.progressVisible);
  EXPECT_FALSE(app.state.WizardOpenFlag);
}

}  // namespace
}  // namespace tessalin
