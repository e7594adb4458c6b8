// The start-up splash: frame disabled, rounded window, then the wizard once.
#include <gtest/gtest.h>

#include <QPointer>
#include <QTimer>

#include "app/splash.h"
#include "wizard_fake_app.h"

namespace tessalin {
namespace {

using test::CommandStandIn;
using test::FakeApp;
using test::ProcessEventsUntil;

TEST(Splash, ShowsWithTheFrameDisabledThenStartsTheWizardOnce) {
  FakeApp app;
  app.frame.show();
  int wizardRuns = 0;
  bool frameEnabledAtWizard = false;
  CommandStandIn wizard("wizard", [&](AppServices& services, const RasterImage* source, int) {
    ++wizardRuns;
    frameEnabledAtWizard = services.FrameWidget()->isEnabled();
    EXPECT_EQ(source, nullptr);
  });

  QPointer<TSplash_Frm> splash = ShowSplash(app);
  ASSERT_TRUE(splash);
  EXPECT_TRUE(splash->isVisible());
  EXPECT_FALSE(app.frame.isEnabled());
  EXPECT_TRUE(splash->SplashTimer()->isActive());
  EXPECT_EQ(splash->SplashTimer()->interval(), 1500);
  EXPECT_EQ(wizardRuns, 0);

  EXPECT_TRUE(ProcessEventsUntil([&] { return wizardRuns > 0; }, 5000));
  EXPECT_TRUE(frameEnabledAtWizard);
  EXPECT_TRUE(app.frame.isEnabled());
  ProcessEventsUntil([] { return false; }, 100);
  EXPECT_EQ(wizardRuns, 1);
  EXPECT_FALSE(splash);  // it frees itself
}

TEST(Splash, IsTheStartPictureWithRoundedCorners) {
  FakeApp app;
  CommandStandIn wizard("wizard", [](AppServices&, const RasterImage*, int) {});
  QPointer<TSplash_Frm> splash = ShowSplash(app);
  ASSERT_TRUE(splash);
  const QSize size = StartPicture().size();
  ASSERT_FALSE(size.isEmpty());
  EXPECT_EQ(splash->size(), size);
  EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(splash->windowFlags() & Qt::WindowStaysOnTopHint);
  const QRegion mask = splash->mask();
  const int w = size.width(), h = size.height();
  // Corner ellipses 30 x 30: the corner pixels and their diagonal neighbours are cut away...
  for (const QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1), QPoint(2, 2),
                              QPoint(w - 3, h - 3)})
    EXPECT_FALSE(mask.contains(corner)) << corner.x() << "," << corner.y();
  // ...while the edges between them and the middle stay.
  for (const QPoint inside : {QPoint(w / 2, 0), QPoint(0, h / 2), QPoint(w / 2, h / 2), QPoint(15, 15),
                              QPoint(w - 16, h - 16)})
    EXPECT_TRUE(mask.contains(inside)) << inside.x() << "," << inside.y();
  splash->close();
  ProcessEventsUntil([&] { return !splash; }, 1000);
}

}  // namespace
}  // namespace tessalin
