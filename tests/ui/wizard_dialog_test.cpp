// The wizard dialog's pages, captions and the settings it writes, driven with
// real mouse and key events.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include "wizard/ui/wizard_dialog.h"
#include "wizard_ui_events.h"

namespace tessalin {
namespace {

using test::KeyClick;
using test::MouseClick;
using test::MouseDoubleClick;

template <typename T>
T* Child(QWidget& parent, const char* name) {
  T* child = parent.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

// On the indicator: a click far right of a short caption misses the button.
QPoint OnIndicator(QWidget* button) { return QPoint(8, button->height() / 2); }

class WizardDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = WizardSettings{1, 2, 4, 1};  // leftovers of an earlier run
    dialog = std::make_unique<TWizard_Frm>(settings);
    dialog->show();
  }

  void Click(const char* name) {
    QRadioButton* button = Child<QRadioButton>(*dialog, name);
    ASSERT_TRUE(button);
    ASSERT_TRUE(button->isVisible()) << name;
    MouseClick(button, OnIndicator(button));
  }
  void DoubleClick(const char* name) {
    QRadioButton* button = Child<QRadioButton>(*dialog, name);
    ASSERT_TRUE(button);
    MouseClick(button, OnIndicator(button));
    MouseDoubleClick(button, OnIndicator(button));
  }
  void Next() { MouseClick(Child<QPushButton>(*dialog, "Next_BitBtn")); }
  void Key(Qt::Key key) { KeyClick(dialog.get(), key); }
  QString PageName() { return Child<QStackedWidget>(*dialog, "Wizard_NoteBook")->currentWidget()->objectName(); }
  QString NextCaption() { return Child<QPushButton>(*dialog, "Next_BitBtn")->text(); }
  void ExpectSettings(int mode, int source, int scale, int result) {
    EXPECT_EQ(settings.WMode, mode);
    EXPECT_EQ(settings.SrcType, source);
    EXPECT_EQ(settings.ScaleType, scale);
    EXPECT_EQ(settings.ResultType, result);
  }
  bool Accepted() { return !dialog->isVisible() && dialog->result() == QDialog::Accepted; }
  bool Rejected() { return !dialog->isVisible() && dialog->result() == QDialog::Rejected; }

  WizardSettings settings;
  std::unique_ptr<TWizard_Frm> dialog;
};

TEST_F(WizardDialogTest, OpensOnTheModePageWithTheDefaults) {
  ExpectSettings(0, 0, 1, 0);
  EXPECT_EQ(dialog->windowTitle(), "Tessalin Wizard");
  EXPECT_EQ(PageName(), "Default");
  EXPECT_EQ(dialog->size(), QSize(420, 240));
  EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(dialog->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(Child<QRadioButton>(*dialog, "WMode1_RBtn")->isChecked());
  EXPECT_TRUE(Child<QLabel>(*dialog, "Mode1_Img")->isVisible());
  EXPECT_FALSE(Child<QLabel>(*dialog, "Mode2_Img")->isVisible());
  QPushButton* next = Child<QPushButton>(*dialog, "Next_BitBtn");
  EXPECT_EQ(next->text(), "Next");
  EXPECT_EQ(next->toolTip(), "Next step");
  EXPECT_TRUE(next->isDefault());
  EXPECT_EQ(Child<QPushButton>(*dialog, "Calcel_BitBtn")->toolTip(), "Exit wizard");
}

TEST_F(WizardDialogTest, EnterAtOnceIsOneClickWithTheDefaults) {
  Key(Qt::Key_Return);
  EXPECT_TRUE(Accepted());
  ExpectSettings(0, 0, 1, 0);
}

TEST_F(WizardDialogTest, DetailIconNextSkipsTheScalePage) {
  Click("WMode2_RBtn");
  EXPECT_EQ(settings.WMode, 1);
  EXPECT_FALSE(Child<QLabel>(*dialog, "Mode1_Img")->isVisible());
  EXPECT_TRUE(Child<QLabel>(*dialog, "Mode2_Img")->isVisible());
  Next();
  EXPECT_EQ(PageName(), "Type");
  EXPECT_EQ(dialog->windowTitle(), "Tessalin Source Type Selection");
  Click("SrcType2_RBtn");
  Next();
  EXPECT_EQ(PageName(), "OutputType");
  EXPECT_EQ(dialog->windowTitle(), "Tessalin OutputKinds Selection");
  EXPECT_EQ(NextCaption(), "Finish");
  Key(Qt::Key_Return);
  EXPECT_TRUE(Accepted());
  ExpectSettings(1, 2, 1, 0);
}

TEST_F(WizardDialogTest, DetailPictureVisitsEveryPageInOrder) {
  Click("WMode2_RBtn");
  Next();
  EXPECT_EQ(NextCaption(), "Next");
  Click("SrcType1_RBtn");
  Next();
  EXPECT_EQ(PageName(), "Scale");
  EXPECT_EQ(dialog->windowTitle(), "Tessalin ScaleRate Selection");
  EXPECT_EQ(NextCaption(), "Next");
  EXPECT_TRUE(Child<QRadioButton>(*dialog, "ScaleType1_RBtn")->isChecked());
  Click("ScaleType2_RBtn");
  EXPECT_EQ(settings.ScaleType, 2);
  Next();
  EXPECT_EQ(PageName(), "OutputType");
  EXPECT_TRUE(dialog->isVisible());
  Click("ResultType1_RBtn");
  Next();  // Finish
  EXPECT_TRUE(Accepted());
  ExpectSettings(1, 1, 2, 1);
}

TEST_F(WizardDialogTest, ScaleChoicesRunFrom125To25TopToBottom) {
  const char* const names[] = {"ScaleType0_RBtn", "ScaleType1_RBtn", "ScaleType2_RBtn", "ScaleType3_RBtn",
                               "ScaleType4_RBtn"};
  const char* const captions[] = {"125%", "100%", "75%", "50%", "25%"};
  Click("WMode2_RBtn");
  Next();
  Next();
  int previousTop = -1;
  for (int tag = 0; tag < 5; ++tag) {
    QRadioButton* button = Child<QRadioButton>(*dialog, names[tag]);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->text(), captions[tag]);
    EXPECT_GT(button->y(), previousTop);
    previousTop = button->y();
    MouseClick(button, OnIndicator(button));
    EXPECT_EQ(settings.ScaleType, tag);
  }
}

TEST_F(WizardDialogTest, DoubleClickOnVariousResultFinishes) {
  Click("WMode2_RBtn");
  Next();
  Next();
  Next();
  ASSERT_EQ(PageName(), "OutputType");
  DoubleClick("ResultType1_RBtn");
  EXPECT_TRUE(Accepted());
  EXPECT_EQ(settings.ResultType, 1);
}

TEST_F(WizardDialogTest, DoubleClickOnAChoiceStoresItAndGoesOn) {
  DoubleClick("WMode2_RBtn");
  EXPECT_EQ(PageName(), "Type");
  DoubleClick("SrcType1_RBtn");
  EXPECT_EQ(PageName(), "Scale");
  EXPECT_EQ(settings.SrcType, 1);
  DoubleClick("ScaleType3_RBtn");
  EXPECT_EQ(PageName(), "OutputType");
  EXPECT_TRUE(dialog->isVisible());
  ExpectSettings(1, 1, 3, 0);
}

TEST_F(WizardDialogTest, DoubleClickOnOneClickCloses) {
  DoubleClick("WMode1_RBtn");
  EXPECT_TRUE(Accepted());
}

TEST_F(WizardDialogTest, BackToOneClickThenNextCloses) {
  Click("WMode2_RBtn");
  Click("WMode1_RBtn");
  EXPECT_TRUE(Child<QLabel>(*dialog, "Mode1_Img")->isVisible());
  EXPECT_FALSE(Child<QLabel>(*dialog, "Mode2_Img")->isVisible());
  Next();
  EXPECT_TRUE(Accepted());
  ExpectSettings(0, 0, 1, 0);
}

TEST(WizardDialogCancel, EscapeCancelsOnEveryPage) {
  for (int page = 0; page < TWizard_Frm::kPageCount; ++page) {
    WizardSettings settings;
    TWizard_Frm dialog(settings);
    dialog.show();
    if (page > 0) {
      QRadioButton* detail = dialog.findChild<QRadioButton*>("WMode2_RBtn");
      MouseClick(detail, OnIndicator(detail));
    }
    for (int i = 0; i < page; ++i) MouseClick(dialog.findChild<QPushButton*>("Next_BitBtn"));
    ASSERT_EQ(dialog.findChild<QStackedWidget*>("Wizard_NoteBook")->currentIndex(), page);
    KeyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible()) << page;
    EXPECT_EQ(dialog.result(), QDialog::Rejected) << page;
  }
}

TEST(WizardDialogCancel, CancelButtonRejects) {
  WizardSettings settings;
  TWizard_Frm dialog(settings);
  dialog.show();
  MouseClick(dialog.findChild<QPushButton*>("Calcel_BitBtn"));
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

}  // namespace
}  // namespace tessalin
