// The four quick-process commands on the active document.
#include <gtest/gtest.h>

#include <QTimer>

#include "app/quick_process.h"
#include "support/test_pictures.h"
#include "widgets/command_registry.h"
#include "wizard_fake_app.h"

namespace tessalin {
namespace {

using test::FakeApp;

// The document the commands run on, opened like a loaded file.
const RasterImage& OpenDocument(FakeApp& app, RasterImage picture) {
  app.CreateImageChild("/pictures/doc.bmp", picture);
  return app.windows.back().picture;
}

std::vector<std::string> NewNames(const FakeApp& app) {
  std::vector<std::string> names = app.Names();
  names.erase(names.begin());  // the document itself
  return names;
}

bool AllPixels(const RasterImage& image, Color color) {
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x)
      if (image.GetPixel(x, y) != color) return false;
  return true;
}

TEST(QuickProcess1, MakesThreeWindowsWithoutTiling) {
  FakeApp app;
  const RasterImage& document = OpenDocument(app, test::MakeGradient(21, 13));
  RasterImage before;
  before.Assign(document);
  // Pending messages run once, after the bar is set up and before any result window.
  int yields = 0;
  QTimer::singleShot(0, [&] { yields += app.windows.size() == 1 ? 1 : 100; });
  QuickProcess(app, document, 1);
  EXPECT_EQ(yields, 1);

  EXPECT_EQ(NewNames(app), (std::vector<std::string>{"pf1Bit Model", "Monochrome Model", "pf1bit2"}));
  ASSERT_EQ(app.windows.size(), 4u);
  EXPECT_EQ(app.windows[1].picture.Format(), PixelFormat::pf1Bit);
  EXPECT_EQ(app.windows[2].picture.Format(), PixelFormat::pf24Bit);
  EXPECT_EQ(app.windows[3].picture.Format(), PixelFormat::pf1Bit);
  EXPECT_EQ(app.tiles, 0);
  EXPECT_EQ(app.progress.maximums, std::vector<int>{3});
  EXPECT_EQ(app.progress.hints, (std::vector<std::string>{"ProcessRation : 33% completed.",
                                                          "ProcessRation : 67% completed.",
                                                          "ProcessRation : 100% completed."}));
  EXPECT_TRUE(app.appHints.contains("Just wait for Processing job you select"));
  EXPECT_TRUE(app.progressVisibleAtEveryResult);
  EXPECT_FALSE(app.progressVisible);
  EXPECT_TRUE(app.suspendedAtEveryResult);
  EXPECT_FALSE(app.menuUpdatesSuspended);
  EXPECT_TRUE(test::SamePixels24(app.windows[0].picture, before));
  EXPECT_EQ(app.state.SharedBias, 64);
}

TEST(QuickProcess1, SharpensAtTheCurrentBias) {
  // Flat grey 60: Sharpning2 sums to 2, so the intensity becomes 120 + bias.
  for (const auto& [bias, expected] : {std::pair{64, kWhite}, std::pair{0, kBlack}, std::pair{-100, kBlack},
                                       std::pair{20, kWhite}}) {
    FakeApp app;
    app.state.SharedBias = bias;
    const RasterImage& document = OpenDocument(app, test::MakeFlat24(9, 7, 60, 60, 60));
    QuickProcess(app, document, 1);
    ASSERT_EQ(app.windows.size(), 4u);
    EXPECT_TRUE(AllPixels(app.windows[3].picture, expected)) << bias;
    EXPECT_EQ(app.state.SharedBias, bias);
  }
}

TEST(QuickProcess, TwoToFourRunTheirRecipeAndTile) {
  const std::vector<std::string> picture = {"pf1bit",   "pf1bit2",  "Mono",    "Dither_R",
                                            "Dither_G", "Dither_B", "Dither_I"};
  const std::vector<std::string> drawing = {"pf1bit",            "pf1bit2",           "Mono",
                                            "Conv_RGB_Dither_R", "Conv_RGB_Dither_G", "Conv_RGB_Dither_B",
                                            "Conv_RGB_Dither_I"};
  struct Case {
    int number;
    WizardSettings settings;
    size_t windows;
  };
  for (const Case& c : {Case{2, {1, 0, 1, 0}, 7}, Case{3, {1, 1, 1, 0}, 7}, Case{4, {0, 0, 1, 1}, 15}}) {
    FakeApp app;
    app.state.wizard = WizardSettings{1, 2, 4, 1};  // whatever the last wizard left
    const RasterImage& document = OpenDocument(app, test::MakeRandom24(17, 11, 5));
    RasterImage before;
    before.Assign(document);
    bool yielded = false;
    QTimer::singleShot(0, [&] { yielded = app.windows.size() == 1; });
    QuickProcess(app, document, c.number);
    EXPECT_TRUE(yielded) << c.number;

    const std::vector<std::string> names = NewNames(app);
    ASSERT_EQ(names.size(), c.windows) << c.number;
    if (c.number == 2) {
      EXPECT_EQ(names, picture);
    } else if (c.number == 3) {
      EXPECT_EQ(names, drawing);
    } else {
      EXPECT_EQ(names.back(), "Conv_HSI_Dither_I");
    }
    EXPECT_EQ(app.tiles, 1) << c.number;
    EXPECT_EQ(app.state.wizard.WMode, c.settings.WMode);
    EXPECT_EQ(app.state.wizard.SrcType, c.settings.SrcType);
    EXPECT_EQ(app.state.wizard.ScaleType, c.settings.ScaleType);
    EXPECT_EQ(app.state.wizard.ResultType, c.settings.ResultType);
    EXPECT_TRUE(app.appHints.contains("Just wait for Processing job you select"));
    EXPECT_TRUE(app.suspendedAtEveryResult);
    EXPECT_FALSE(app.menuUpdatesSuspended);
    EXPECT_FALSE(app.progressVisible);
    EXPECT_TRUE(test::SamePixels24(app.windows[0].picture, before));
  }
}

TEST(QuickProcess, RegisteredCommandsNeedADocument) {
  FakeApp app;
  const AppCommand* process2 = FindAppCommand("process2");
  ASSERT_NE(process2, nullptr);
  (*process2)(app, nullptr, 0);
  EXPECT_TRUE(app.windows.empty());
  EXPECT_EQ(app.progressShows, 0);
  const RasterImage& document = OpenDocument(app, test::MakeGradient(8, 8));
  (*process2)(app, &document, 0);
  EXPECT_EQ(app.windows.size(), 8u);
}

}  // namespace
}  // namespace tessalin
