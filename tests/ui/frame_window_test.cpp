// The main frame driven through its real widgets: tool-bar rules, captions of
// opened and result windows, the status bar, Paste into New, Close All and
// Exit, linked views and the recipe names of result windows.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QToolButton>
#include <fstream>

#include "app/document_window.h"
#include "app/main_frame.h"
#include "formats/wbmp_codec.h"
#include "processing/dither.h"
#include "processing/ui/dither_dialog.h"
#include "support/test_pictures.h"
#include "ui/frame_test_support.h"
#include "ui/wizard_fake_app.h"
#include "widgets/qt_raster.h"
#include "wizard/ui/wizard_dialog.h"

namespace tessalin {
namespace {

using test::ExpectRequestedRatio;
using test::FakeFramePrompts;
using test::Fitted;
using test::SetClientSize;

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ClearClipboard();
    auto prompts = std::make_unique<FakeFramePrompts>();
    fake = prompts.get();
    frame = std::make_unique<TMain_Frm>(std::move(prompts));
    frame->resize(1000, 700);
    frame->show();
  }
  void TearDown() override {
    frame.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  bool Enabled(const char* name) { return frame->ToolButton(name)->isEnabled(); }
  void Click(const char* name) { frame->ToolButton(name)->click(); }
  QStringList Captions() {
    QStringList list;
    for (TMDIChild* doc : frame->Documents()) list << doc->Caption();
    return list;
  }
  void CloseDocument(TMDIChild* doc) {
    doc->File_CloseItemClick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  FakeFramePrompts* fake = nullptr;
  std::unique_ptr<TMain_Frm> frame;
  test::TempDir dir;
};

TEST_F(FrameTest, WithNoDocumentOnlyOpenPasteHelpAndExitAreUsable) {
  EXPECT_TRUE(Enabled("OpenToolBtn"));
  EXPECT_TRUE(Enabled("ExitToolBtn"));
  EXPECT_FALSE(Enabled("SaveToolBtn"));
  EXPECT_FALSE(Enabled("SelectToolBtn"));
  EXPECT_FALSE(Enabled("CutToolBtn"));
  EXPECT_FALSE(Enabled("CopyToolBtn"));
  EXPECT_FALSE(Enabled("PastewithNewToolBtn"));  // empty clipboard
  for (const char* name : {"Process1ToolBtn", "Process2ToolBtn", "Process3ToolBtn", "Process4ToolBtn"})
    EXPECT_FALSE(Enabled(name)) << name;

  // A bitmap on the clipboard enables Paste into New.
  QGuiApplication::clipboard()->setImage(RasterToQImage(test::MakeGradient(3, 2)));
  frame->UpdateMenuItems();
  EXPECT_TRUE(Enabled("PastewithNewToolBtn"));

  // Hints and the simple text are what the status bar shows.
  EXPECT_TRUE(frame->StatusSimpleMode());
  EXPECT_EQ(frame->SimpleText(), "Thanks for using our Velkora, Be Happy!");
  EXPECT_EQ(frame->ToolButton("OpenToolBtn")->toolTip(), "File Open");
  EXPECT_EQ(frame->ToolButton("PastewithNewToolBtn")->toolTip(), "Paste into New window from clipboard");
  EXPECT_EQ(frame->windowTitle(), "Tessalin of Velkora");
}

TEST_F(FrameTest, StatusBarStartsWithItsPanelTextsAndSharesTheWidthOut) {
  const char* initial[] = {"[R:000 G:000 B:000]", "[H:000 S:000 I:000]", "PixelFmt",
                           "Pos[Y:0, X:0]",       "Height:0, Width:0",    "Selected[Y:0, X:0]"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(frame->PanelText(i), initial[i]) << i;
  frame->resize(600, 500);
  QCoreApplication::processEvents();
  ASSERT_EQ(frame->width(), 600);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(frame->findChild<QLabel*>(QString("Panel%1").arg(i))->width(), 100) << i;
}

TEST_F(FrameTest, OpenedFileGetsItsNameAsCaptionAndTheToolsFollow) {
  const std::string path = dir.File("sample.bmp");
  ASSERT_TRUE(RasterToQImage(test::MakeGradient(5, 3)).save(QString::fromStdString(path), "BMP"));
  fake->openChoices.push_back({QString::fromStdString(path), 2});
  Click("OpenToolBtn");
  ASSERT_EQ(fake->openRequests.size(), 1u);
  EXPECT_EQ(fake->openRequests[0].title, "Select Image to process....");
  ASSERT_EQ(frame->ChildCount(), 1);
  TMDIChild* doc = frame->Documents()[0];
  EXPECT_EQ(doc->Caption(), "sample.bmp");
  EXPECT_EQ(doc->FileName, path);
  EXPECT_FALSE(doc->Modified);
  EXPECT_FALSE(doc->Item("File_SaveItem")->isEnabled());
  EXPECT_EQ(doc->Picture().Width(), 5);
  // The client area is the picture plus the 10-pixel margin (a tiny picture's
  // window is kept as wide as its caption bar needs).
  EXPECT_EQ(doc->height(), 13);
  EXPECT_GE(doc->width(), 15);
  EXPECT_EQ(frame->PanelText(2), "PixelFmt 24Bit");
  EXPECT_EQ(frame->PanelText(4), "Height:3, Width:5");
  EXPECT_FALSE(frame->StatusSimpleMode());
  EXPECT_TRUE(Enabled("SaveToolBtn"));
  EXPECT_TRUE(Enabled("SelectToolBtn"));
  EXPECT_FALSE(frame->ToolButton("SelectToolBtn")->isChecked());
  EXPECT_FALSE(Enabled("CutToolBtn"));

  // Select presses the tool button and enables Cut and Copy; pressing it again unselects.
  Click("SelectToolBtn");
  EXPECT_TRUE(doc->Selecting);
  EXPECT_TRUE(Enabled("CutToolBtn"));
  EXPECT_TRUE(Enabled("CopyToolBtn"));
  Click("SelectToolBtn");
  EXPECT_FALSE(doc->Selecting);
  EXPECT_FALSE(Enabled("CutToolBtn"));

  // The next open proposes the last file's name.
  Click("OpenToolBtn");
  ASSERT_EQ(fake->openRequests.size(), 2u);
  EXPECT_EQ(fake->openRequests[1].proposedName, "sample.bmp");
  EXPECT_EQ(frame->ChildCount(), 1);  // cancelled
}

TEST_F(FrameTest, DamagedFileShowsTheErrorBoxAndOpensNothing) {
  const std::string path = dir.File("broken.bmp");
  std::ofstream(path, std::ios::binary) << "BM not really a bitmap";
  fake->openChoices.push_back({QString::fromStdString(path), 1});
  Click("OpenToolBtn");
  EXPECT_EQ(frame->ChildCount(), 0);
  ASSERT_EQ(fake->errors.size(), 1u);
  EXPECT_NE(fake->errors[0].find("broken.bmp"), std::string::npos) << fake->errors[0];
}

TEST_F(FrameTest, ResultCaptionsCountTheOpenWindowsSoTheyRepeat) {
  const RasterImage picture = test::MakeGradient(4, 4);
  for (int i = 0; i < 3; ++i) frame->CreateResultChild("x", picture);
  EXPECT_EQ(Captions(), QStringList({"Result1", "Result2", "Result3"}));
  EXPECT_TRUE(frame->Documents()[0]->Modified);
  EXPECT_TRUE(frame->Documents()[0]->FileName.empty());

  CloseDocument(frame->Documents()[1]);  // the fake answers No: closes without a file
  ASSERT_EQ(fake->closeQuestions.size(), 1u);
  EXPECT_EQ(fake->closeQuestions[0].first, "Do you Save New Image to Result2 ?");
  EXPECT_FALSE(fake->closeQuestions[0].second);
  EXPECT_EQ(Captions(), QStringList({"Result1", "Result3"}));

  frame->CreateResultChild("y", picture);
  EXPECT_EQ(Captions(), QStringList({"Result1", "Result3", "Result3"}));
  // The result window holds its own copy.
  EXPECT_TRUE(test::SamePixels24(frame->Documents()[2]->Picture(), picture));

  frame->CreateResultChild("z", test::MakeGradient(200, 150));
  EXPECT_EQ(frame->Documents()[3]->size(), QSize(210, 160));
  EXPECT_EQ(frame->PanelText(4), "Height:150, Width:200");
}

TEST_F(FrameTest, PasteIntoNewWorksWithNoDocumentOpen) {
  const RasterImage picture = test::MakeRandom24(7, 5, 3);
  QGuiApplication::clipboard()->setImage(RasterToQImage(picture));
  frame->UpdateMenuItems();
  Click("PastewithNewToolBtn");
  ASSERT_EQ(frame->ChildCount(), 1);
  TMDIChild* doc = frame->Documents()[0];
  EXPECT_EQ(doc->Caption(), "Result1");
  EXPECT_EQ(doc->Name, "Paste_New");
  EXPECT_EQ(doc->Picture().Format(), PixelFormat::pf24Bit);
  EXPECT_TRUE(test::SamePixels24(doc->Picture(), picture));
}

TEST_F(FrameTest, ExitWithNoToAllClosesEveryWindowAfterOneQuestionThenAsksToExit) {
  const RasterImage picture = test::MakeGradient(3, 3);
  frame->CreateResultChild("a", picture);
  frame->CreateResultChild("b", picture);
  fake->closeAnswers = {CloseAnswer::NoToAll};
  fake->exitAnswers = {false};  // Cancel: keep running
  Click("ExitToolBtn");
  ASSERT_EQ(fake->closeQuestions.size(), 1u);
  // The last window is visited first, with No to All offered.
  EXPECT_EQ(fake->closeQuestions[0].first, "Do you Save New Image to Result2 ?");
  EXPECT_TRUE(fake->closeQuestions[0].second);
  EXPECT_EQ(frame->ChildCount(), 0);
  EXPECT_EQ(fake->exitQuestions, 1);
  EXPECT_TRUE(frame->isVisible());
  // The run's flags are reset: the next Close All asks again.
  EXPECT_FALSE(frame->NoToAll);
  frame->CreateResultChild("c", picture);
  frame->FileCloseAllItemClick();
  EXPECT_EQ(fake->closeQuestions.size(), 2u);
}

TEST_F(FrameTest, CancelInCloseAllKeepsThatWindowAndEveryOneNotYetVisited) {
  const RasterImage picture = test::MakeGradient(3, 3);
  for (int i = 0; i < 3; ++i) frame->CreateResultChild("r", picture);
  fake->closeAnswers = {CloseAnswer::No, CloseAnswer::Cancel};
  Click("ExitToolBtn");
  EXPECT_EQ(fake->closeQuestions.size(), 2u);
  EXPECT_EQ(Captions(), QStringList({"Result1", "Result2"}));
  EXPECT_EQ(fake->exitQuestions, 0);  // a cancelled Close All never asks to exit
  EXPECT_FALSE(frame->CloseAllCancelled);
  // The window's close question is the single-window one again.
  frame->Documents()[1]->File_CloseItemClick();
  EXPECT_FALSE(fake->closeQuestions.back().second);
}

TEST_F(FrameTest, YesWithACancelledSaveAsKeepsTheWindowAndStopsCloseAll) {
  const RasterImage picture = test::MakeGradient(3, 3);
  frame->CreateResultChild("a", picture);
  frame->CreateResultChild("b", picture);
  // Single close: Yes, then the save dialog is cancelled.
  fake->closeAnswers = {CloseAnswer::Yes};
  CloseDocument(frame->Documents()[1]);
  EXPECT_EQ(frame->ChildCount(), 2);
  EXPECT_EQ(fake->saveRequests.size(), 1u);
  // Close All: Yes, cancelled save: the run stops at this window.
  fake->closeAnswers = {CloseAnswer::Yes};
  frame->FileCloseAllItemClick();
  EXPECT_EQ(fake->closeQuestions.size(), 2u);
  EXPECT_EQ(frame->ChildCount(), 2);
}

TEST_F(FrameTest, SystemCloseWithNoDocumentsAsksToExitOnly) {
  fake->exitAnswers = {true};
  frame->close();
  EXPECT_EQ(fake->exitQuestions, 1);
  EXPECT_FALSE(frame->isVisible());
}

TEST_F(FrameTest, HintsGoToTheSimpleTextAndTheProgressBarShowsOnlyWhenAsked) {
  QStatusTipEvent tip("Run Wizard");
  QCoreApplication::sendEvent(frame.get(), &tip);
  EXPECT_EQ(frame->SimpleText(), "Run Wizard");
  EXPECT_EQ(frame->findChild<QLabel*>("SimpleText")->text(), "Run Wizard");
  auto* bar = frame->findChild<QProgressBar*>("ProgressBar");
  EXPECT_FALSE(bar->isVisible());
  frame->ShowProgressBar(true);
  EXPECT_TRUE(bar->isVisible());
  // Two steps of four: 50 %, and the hint text of a batch run.
  frame->Progress().ProgressStart(4, 1);
  frame->Progress().ProgressStep();
  frame->Progress().ProgressStep();
  EXPECT_EQ(bar->value(), 50);
  EXPECT_EQ(frame->SimpleText(), "ProcessRation : 50% completed.");
  // With a document open the panels show instead of the simple text.
  frame->CreateResultChild("r", test::MakeGradient(2, 2));
  EXPECT_FALSE(frame->findChild<QLabel*>("SimpleText")->isVisible());
  EXPECT_TRUE(frame->findChild<QLabel*>("Panel0")->isVisible());
}

TEST_F(FrameTest, SixteenBitFormatsShowAsSixteenBits) {
  RasterImage picture = test::MakeGradient(3, 2);
  picture.SetPixelFormat(PixelFormat::pf15Bit);
  frame->ShowImageInfo(picture);
  EXPECT_EQ(frame->PanelText(2), "PixelFmt 16Bit");
  picture.SetPixelFormat(PixelFormat::pf4Bit);
  frame->ShowImageInfo(picture);
  EXPECT_EQ(frame->PanelText(2), "PixelFmt 4Bit");
  EXPECT_EQ(frame->PanelText(4), "Height:2, Width:3");
}

TEST_F(FrameTest, SystemCloseWithDocumentsRunsExit) {
  frame->CreateResultChild("r", test::MakeGradient(2, 2));
  fake->closeAnswers = {CloseAnswer::No};
  fake->exitAnswers = {true};
  frame->close();
  EXPECT_EQ(fake->closeQuestions.size(), 1u);
  EXPECT_EQ(frame->ChildCount(), 0);
  EXPECT_EQ(fake->exitQuestions, 1);
  EXPECT_FALSE(frame->isVisible());
}

TEST_F(FrameTest, CloseAllSavesAChangedFileOnYes) {
  const std::string path = dir.File("kept.bmp");
  ASSERT_TRUE(RasterToQImage(test::MakeGradient(4, 3)).save(QString::fromStdString(path), "BMP"));
  fake->openChoices.push_back({QString::fromStdString(path), 2});
  frame->FileOpenItemClick();
  TMDIChild* doc = frame->Documents()[0];
  doc->Popup_InverseItemClick();
  fake->closeAnswers = {CloseAnswer::Yes};
  frame->FileCloseAllItemClick();
  ASSERT_EQ(fake->closeQuestions.size(), 1u);
  EXPECT_EQ(fake->closeQuestions[0].first, "Do you Save changes to kept.bmp ?");
  EXPECT_EQ(frame->ChildCount(), 0);
  // The saved file holds the inverted picture.
  const RasterImage saved = QImageToRaster24(QImage(QString::fromStdString(path)));
  const test::Bgr p = test::PixelAt(test::MakeGradient(4, 3), 2, 1);
  EXPECT_EQ(test::PixelAt(saved, 2, 1), (test::Bgr{uint8_t(255 - p.b), uint8_t(255 - p.g), uint8_t(255 - p.r)}));
}

TEST_F(FrameTest, DoubleClickOnTheBackgroundRunsOpen) {
  QWidget* viewport = frame->MdiArea()->viewport();
  QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(50, 50), viewport->mapToGlobal(QPointF(50, 50)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &click);
  ASSERT_EQ(fake->openRequests.size(), 1u);
  EXPECT_EQ(fake->openRequests[0].title, "Select Image to process....");
}

TEST_F(FrameTest, CtrlWOpensTheWizardAndCtrlF4ClosesWhileADocumentHasTheFocus) {
  frame->CreateResultChild("a", test::MakeGradient(9, 7));
  TMDIChild* doc = frame->Documents().back();
  QApplication::setActiveWindow(frame.get());
  doc->setFocus();
  bool wizardShown = false;
  test::WhenShown<TWizard_Frm>([&](TWizard_Frm& wizard) {
    wizardShown = true;
    wizard.reject();
  });
  QTest::keyClick(doc, Qt::Key_W, Qt::ControlModifier);
  EXPECT_TRUE(wizardShown);
  ASSERT_EQ(frame->Documents().size(), 1u);

  QApplication::setActiveWindow(frame.get());
  doc->setFocus();
  QTest::keyClick(doc, Qt::Key_F4, Qt::ControlModifier);
  EXPECT_TRUE(frame->Documents().empty());
  EXPECT_EQ(fake->closeQuestions.size(), 1u);  // through the document's own close question
}

// Open, Floyd and Steinberg (SharedBias becomes 128), Apply, export I, Save As
// ".wbmp": the file holds the dithered pixels, not a blank picture.
TEST_F(FrameTest, TheTypicalRoadEndsInAWbmpOfTheDitheredPicture) {
  const RasterImage picture = test::MakeGradient(37, 23);
  const std::string source = dir.File("photo.bmp"), target = dir.File("photo.wbmp");
  ASSERT_TRUE(RasterToQImage(picture).save(QString::fromStdString(source), "BMP"));
  fake->openChoices.push_back({QString::fromStdString(source), 1});
  Click("OpenToolBtn");
  ASSERT_EQ(frame->ChildCount(), 1);
  frame->Documents()[0]->Item("Dither_2Item")->trigger();
  TDither_Frm* dialog = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<TDither_Frm*>(widget)) dialog = d;
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(frame->State().SharedBias, 128);
  dialog->findChild<QPushButton*>("Apply_Btn")->click();
  QWidget* result = dialog->findChild<QWidget*>("I_Img");
  QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(5, 5), result->mapToGlobal(QPointF(5, 5)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(result, &twice);
  dialog->close();
  ASSERT_EQ(frame->ChildCount(), 2);
  TMDIChild* exported = frame->Documents()[1];
  EXPECT_EQ(exported->Caption(), "Result2");

  fake->saveChoices.push_back({QString::fromStdString(target), 8});
  ASSERT_TRUE(exported->File_SaveAsItemClick());
  EXPECT_EQ(exported->Caption(), "photo.wbmp");
  RasterImage saved;
  ASSERT_TRUE(ReadWbmp(target, *fake, saved));
  const RasterImage dithered = std::move(FloydSteinbergDither(picture, 128)[3]);
  ASSERT_EQ(saved.Width(), 37);
  ASSERT_EQ(saved.Height(), 23);
  int black = 0;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x) {
      ASSERT_EQ(saved.GetPixel(x, y), dithered.GetPixel(x, y)) << x << "," << y;
      black += saved.GetPixel(x, y) == kBlack;
    }
  EXPECT_GT(black, 0);
  EXPECT_LT(black, 37 * 23);
}

// Run again with QT_SCALE_FACTOR=1.5, like the view tests of the document window.
class ViewFrameTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    ExpectRequestedRatio(frame.get());
  }
};

TEST_F(ViewFrameTest, LinkedViewsFollowTheZoomAndPicturePointOfTheOneMoved) {
  const RasterImage picture = test::MakeRandom24(200, 150, 8);
  for (int i = 0; i < 3; ++i) {
    frame->CreateResultChild("linked", picture);
    SetClientSize(frame->Documents().back(), QSize(160, 120));
  }
  TMDIChild* leader = frame->Documents()[0];
  QAction* link = leader->Item("Window_LinkViewsItem");
  EXPECT_EQ(link->text(), "&Link Views");
  EXPECT_TRUE(link->isCheckable());
  EXPECT_FALSE(link->isChecked());
  EXPECT_EQ(frame->Documents()[2]->Item("Window_LinkViewsItem"), link);  // one setting for all windows

  // Off: the others stay where they are.
  leader->Item("View_ZoomInItem")->trigger();
  EXPECT_EQ(frame->Documents()[1]->View()->Zoom(), ZoomStep());

  link->trigger();
  const auto followers = [&](const char* what) {
    for (TMDIChild* doc : {frame->Documents()[1], frame->Documents()[2]}) {
      EXPECT_EQ(doc->View()->Zoom(), leader->View()->Zoom()) << what;
      const QPointF gap = doc->View()->CentrePoint() - leader->View()->CentrePoint();
      EXPECT_LE(std::abs(gap.x()) + std::abs(gap.y()), 1.0) << what;
    }
  };
  followers("linking");
  leader->Item("View_ZoomInItem")->trigger();
  followers("zoom in");
  leader->View()->horizontalScrollBar()->setValue(leader->View()->horizontalScrollBar()->maximum() / 3);
  leader->View()->verticalScrollBar()->setValue(leader->View()->verticalScrollBar()->maximum());
  followers("scroll");
  leader->Item("View_ZoomOutItem")->trigger();
  followers("zoom out");
  frame->Documents()[2]->Item("View_FitToWindowItem")->trigger();  // any window leads
  leader = frame->Documents()[2];
  followers("fit");
}

TEST_F(ViewFrameTest, QuickProcessWindowsAreFittedAndKeepTheirRecipeNames) {
  frame->CreateImageChild(dir.File("source.bmp"), test::MakeRandom24(120, 90, 4));
  frame->ToolButton("Process2ToolBtn")->click();
  const QStringList names = {"pf1bit", "pf1bit2", "Mono", "Dither_R", "Dither_G", "Dither_B", "Dither_I"};
  ASSERT_EQ(frame->ChildCount(), 1 + names.size());
  for (int i = 0; i < names.size(); ++i) {
    TMDIChild* candidate = frame->Documents()[static_cast<size_t>(i) + 1];
    EXPECT_EQ(candidate->Caption(), QString("Result%1").arg(i + 2));
    EXPECT_EQ(candidate->toolTip(), names[i]);
    EXPECT_TRUE(Fitted(candidate)) << names[i].toStdString();
    // The mouse over the window puts the name into the status bar's simple
    // text, shown beside the panels until the mouse leaves.
    const QLabel* simple = frame->findChild<QLabel*>("SimpleText");
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), candidate->mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(candidate, &enter);
    EXPECT_EQ(frame->SimpleText(), names[i]);
    EXPECT_TRUE(simple->isVisibleTo(frame.get()) && simple->text() == names[i]) << names[i].toStdString();
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(candidate, &leave);
    EXPECT_FALSE(simple->isVisibleTo(frame.get()));
  }
}

}  // namespace
}  // namespace tessalin
