// The about box: its texts over the start picture, closing, the link.
#include <gtest/gtest.h>

#include <QLabel>

#include "app/about.h"
#include "app/splash.h"
#include "wizard_fake_app.h"
#include "wizard_ui_events.h"

namespace tessalin {
namespace {

using test::CommandStandIn;
using test::FakeApp;
using test::KeyClick;
using test::MouseClick;

QLabel* LabelWithText(QWidget& parent, const QString& text) {
  for (QLabel* label : parent.findChildren<QLabel*>())
    if (label->text() == text) return label;
  return nullptr;
}

TEST(AboutBox, OneBoxWithTheProductTextsOverTheStartPicture) {
  FakeApp app;
  TAbout_Frm& box = AboutBox(app);
  EXPECT_EQ(&AboutBox(app), &box);  // reused, not recreated
  EXPECT_EQ(box.windowTitle(), "About");
  EXPECT_EQ(box.size(), StartPicture().size());
  EXPECT_TRUE(box.windowFlags() & Qt::FramelessWindowHint);
  for (const char* text : {"Product", "Tessalin of Velkora", "Version", "Beta 1.0", "Visit Velkora"})
    EXPECT_NE(LabelWithText(box, QString::fromUtf8(text)), nullptr) << text;
  QLabel* link = box.findChild<QLabel*>("Label1");
  ASSERT_NE(link, nullptr);
  EXPECT_TRUE(link->font().underline());
  EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_TRUE(box.rect().contains(link->geometry()));
}

TEST(AboutBox, ClickOnThePictureOrEscapeCloses) {
  FakeApp app;
  TAbout_Frm& box = AboutBox(app);
  QLabel* picture = box.findChild<QLabel*>("About_Img");
  ASSERT_NE(picture, nullptr);

  box.show();
  MouseClick(picture, QPoint(10, 10));
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(box.result(), QDialog::Rejected);

  box.show();
  KeyClick(&box, Qt::Key_Escape);
  EXPECT_FALSE(box.isVisible());

  // A click on the texts reaches the picture beneath; only the link is its own target.
  QLabel* product = LabelWithText(box, "Tessalin of Velkora");
  ASSERT_NE(product, nullptr);
  EXPECT_EQ(box.childAt(product->geometry().center()), picture);
  QLabel* link = box.findChild<QLabel*>("Label1");
  EXPECT_EQ(box.childAt(link->geometry().center()), link);
}

TEST(AboutBox, TheLinkOpensTheHomePageAndTheBoxStays) {
  FakeApp app;
  int homePageRuns = 0;
  CommandStandIn homePage("homepage", [&](AppServices&, const RasterImage*, int) { ++homePageRuns; });
  TAbout_Frm& box = AboutBox(app);
  box.show();
  MouseClick(box.findChild<QLabel*>("Label1"));
  EXPECT_EQ(homePageRuns, 1);
  EXPECT_TRUE(box.isVisible());
  box.hide();
}

}  // namespace
}  // namespace tessalin
