// The document window: rubber band, pixel readout, Copy, Cut and Undo, the
// in-place Inverse, processing into new windows, Save and Save As.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QToolButton>

#include "app/document_window.h"
#include "app/main_frame.h"
#include "support/test_pictures.h"
#include "ui/frame_test_support.h"
#include "widgets/qt_raster.h"

namespace tessalin {
namespace {

using test::Bgr;
using test::FakeFramePrompts;

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button) {
  const QPointF local(at);
  QMouseEvent event(type, local, widget->mapToGlobal(local), button,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &event);
}

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ClearClipboard();
    auto prompts = std::make_unique<FakeFramePrompts>();
    fake = prompts.get();
    frame = std::make_unique<TMain_Frm>(std::move(prompts));
    frame->resize(900, 700);
    frame->show();
    picture = test::MakeRandom24(9, 7, 11);
    frame->CreateResultChild("source", picture);
    doc = frame->Documents().back();
  }
  void TearDown() override {
    frame.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  // A drag on the image from `from` to `to`, in image coordinates.
  void Drag(QPoint from, QPoint to) {
    QWidget* image = doc->ImageControl();
    SendMouse(image, QEvent::MouseButtonPress, from, Qt::LeftButton);
    SendMouse(image, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    SendMouse(image, QEvent::MouseMove, to, Qt::LeftButton);
    SendMouse(image, QEvent::MouseButtonRelease, to, Qt::LeftButton);
  }
  RasterImage Clipboard() { return QImageToRaster24(QGuiApplication::clipboard()->image()); }

  FakeFramePrompts* fake = nullptr;
  std::unique_ptr<TMain_Frm> frame;
  RasterImage picture;
  TMDIChild* doc = nullptr;
  test::TempDir dir;
};

TEST_F(DocumentTest, SelectAllThenCopyPutsTheWholePictureOnTheClipboard) {
  doc->Item("Edit_SelectAllItem")->trigger();
  EXPECT_TRUE(doc->Selecting);
  EXPECT_TRUE(frame->ToolButton("SelectToolBtn")->isChecked());
  EXPECT_TRUE(doc->Item("Popup_CopyItem")->isEnabled());
  doc->Item("Edit_CopyItem")->trigger();
  const RasterImage copied = Clipboard();
  EXPECT_TRUE(test::SamePixels24(copied, picture));
  // The selection is gone and the tools follow.
  EXPECT_FALSE(doc->Selecting);
  EXPECT_EQ(doc->SelStart, doc->SelEnd);
  EXPECT_FALSE(frame->ToolButton("SelectToolBtn")->isChecked());
  EXPECT_FALSE(frame->ToolButton("CopyToolBtn")->isEnabled());
  EXPECT_FALSE(doc->Item("Edit_CutItem")->isEnabled());
  EXPECT_TRUE(frame->ToolButton("PastewithNewToolBtn")->isEnabled());
  EXPECT_TRUE(doc->Item("Popup_PastewithNewItem")->isEnabled());
}

TEST_F(DocumentTest, ABandDraggedEitherWayCopiesTheSamePixels) {
  doc->Popup_SelectItemClick();
  Drag({6, 5}, {2, 1});
  EXPECT_EQ(frame->PanelText(5), "Selected[y:4, x:4]");
  EXPECT_EQ(doc->ImageControl()->toolTip(), "");  // cleared on release
  doc->Popup_CopyItemClick();
  const RasterImage backwards = Clipboard();
  ASSERT_EQ(backwards.Width(), 4);
  ASSERT_EQ(backwards.Height(), 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(test::PixelAt(backwards, x, y), test::PixelAt(picture, x + 2, y + 1));

  doc->Popup_SelectItemClick();
  Drag({2, 1}, {6, 5});
  doc->Popup_CopyItemClick();
  EXPECT_TRUE(test::SamePixels24(Clipboard(), backwards));
}

TEST_F(DocumentTest, ABandIsClampedToThePictureAndNeedsSelectionMode) {
  Drag({1, 1}, {4, 4});  // not selecting: nothing happens
  EXPECT_EQ(doc->SelStart, doc->SelEnd);
  doc->Popup_SelectItemClick();
  Drag({3, 2}, {50, 40});
  EXPECT_EQ(doc->SelEnd, QPoint(9, 7));
  // A right button never starts a band.
  doc->Popup_UnSelectItemClick();
  doc->Popup_SelectItemClick();
  SendMouse(doc->ImageControl(), QEvent::MouseButtonPress, {1, 1}, Qt::RightButton);
  EXPECT_FALSE(doc->Dragging);
}

TEST_F(DocumentTest, PixelReadoutShowsColourHsiAndPosition) {
  RasterImage known = NewRaster(PixelFormat::pf24Bit, 2, 2);
  test::SetPixelAt(known, 1, 0, Bgr{0, 0, 255});      // pure red
  test::SetPixelAt(known, 0, 1, Bgr{100, 100, 100});  // grey
  frame->CreateResultChild("known", known);
  TMDIChild* k = frame->Documents().back();
  SendMouse(k->ImageControl(), QEvent::MouseMove, {1, 0}, Qt::NoButton);
  EXPECT_EQ(frame->PanelText(0), "[R:255 G:0 B:0]");
  EXPECT_EQ(frame->PanelText(1), "[H:  0 S:1.0000 I: 85]");
  EXPECT_EQ(frame->PanelText(3), "Pos[y:0, x:1]");
  SendMouse(k->ImageControl(), QEvent::MouseMove, {0, 1}, Qt::NoButton);
  EXPECT_EQ(frame->PanelText(0), "[R:100 G:100 B:100]");
  EXPECT_EQ(frame->PanelText(1), "[H:  0 S:0.0000 I:100]");
  EXPECT_EQ(frame->PanelText(3), "Pos[y:1, x:0]");
}

TEST_F(DocumentTest, CutFillsWhiteAndUndoRestoresThePictureExactly) {
  // Start from a saved state so that Cut's Modified is visible.
  doc->Modified = false;
  doc->Item("File_SaveItem")->setEnabled(false);
  EXPECT_FALSE(doc->Item("Edit_UndoItem")->isEnabled());
  doc->Popup_SelectItemClick();
  Drag({1, 2}, {4, 6});
  frame->ToolButton("CutToolBtn")->click();
  const RasterImage& now = doc->Picture();
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) {
      const bool inside = x >= 1 && x < 4 && y >= 2 && y < 6;
      EXPECT_EQ(test::PixelAt(now, x, y), (inside ? Bgr{255, 255, 255} : test::PixelAt(picture, x, y))) << x << "," << y;
    }
  EXPECT_TRUE(doc->Modified);
  EXPECT_TRUE(doc->Item("File_SaveItem")->isEnabled());
  EXPECT_TRUE(doc->Item("Edit_UndoItem")->isEnabled());
  // What was cut is on the clipboard.
  EXPECT_EQ(Clipboard().Width(), 3);
  EXPECT_EQ(test::PixelAt(Clipboard(), 0, 0), test::PixelAt(picture, 1, 2));

  doc->Item("Edit_UndoItem")->trigger();
  EXPECT_TRUE(test::SamePixels24(doc->Picture(), picture));
  EXPECT_FALSE(doc->Item("Edit_UndoItem")->isEnabled());
  EXPECT_FALSE(doc->UndoBitmap.has_value());
}

TEST_F(DocumentTest, SecondCutUndoesToThePictureJustBeforeIt) {
  doc->Popup_SelectAllItemClick();
  doc->Popup_SelectItemClick();
  Drag({0, 0}, {2, 2});
  doc->Popup_CutItemClick();
  RasterImage afterFirst;
  afterFirst.Assign(doc->Picture());
  doc->Popup_SelectItemClick();
  Drag({5, 3}, {8, 6});
  doc->Popup_CutItemClick();
  doc->Edit_UndoItemClick();
  EXPECT_TRUE(test::SamePixels24(doc->Picture(), afterFirst));
}

TEST_F(DocumentTest, PopupInverseChangesTheDocumentItself) {
  doc->Modified = false;
  doc->Item("Popup_InverseItem")->trigger();
  ASSERT_EQ(frame->ChildCount(), 1);  // no new window
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) {
      const Bgr p = test::PixelAt(picture, x, y);
      EXPECT_EQ(test::PixelAt(doc->Picture(), x, y),
                (Bgr{uint8_t(255 - p.b), uint8_t(255 - p.g), uint8_t(255 - p.r)}));
    }
  EXPECT_TRUE(doc->Modified);
}

TEST_F(DocumentTest, ProcessingOpensResultWindowsAndLeavesTheDocumentAlone) {
  doc->Item("Mirror_VerticalItem")->trigger();
  ASSERT_EQ(frame->ChildCount(), 2);
  TMDIChild* mirrored = frame->Documents()[1];
  EXPECT_EQ(mirrored->Caption(), "Result2");
  EXPECT_EQ(mirrored->Name, "Mirror Vertical Model");
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(test::PixelAt(mirrored->Picture(), x, y), test::PixelAt(picture, 8 - x, y));
  EXPECT_TRUE(test::SamePixels24(doc->Picture(), picture));

  // Scale - > 100% is an unchanged copy; the RGB distribution opens three windows.
  frame->MdiArea()->setActiveSubWindow(doc->SubWindow());
  doc->Item("Scale_100Item")->trigger();
  ASSERT_EQ(frame->ChildCount(), 3);
  EXPECT_TRUE(test::SamePixels24(frame->Documents()[2]->Picture(), picture));
  EXPECT_EQ(frame->Documents()[2]->Name, "Scaling(100%)");
  doc->Item("Bit_RGBChannelItem")->trigger();
  ASSERT_EQ(frame->ChildCount(), 6);
  const Bgr p = test::PixelAt(picture, 4, 3);
  EXPECT_EQ(test::PixelAt(frame->Documents()[4]->Picture(), 4, 3), (Bgr{p.g, p.g, p.g}));

  // The quarter turn: W x H becomes H x W.
  doc->Item("Rotate_90Item")->trigger();
  EXPECT_EQ(frame->Documents().back()->Picture().Width(), 7);
  EXPECT_EQ(frame->Documents().back()->Picture().Height(), 9);
}

TEST_F(DocumentTest, ConversionToOneBitShowsItsPixelFormat) {
  doc->Item("Bit_Pf1Item")->trigger();
  TMDIChild* result = frame->Documents().back();
  EXPECT_EQ(result->Picture().Format(), PixelFormat::pf1Bit);
  frame->UpdateMenuItems();
  EXPECT_EQ(frame->PanelText(2), "PixelFmt 1Bit");
}

TEST_F(DocumentTest, SaveAsAppendsTheFilterExtensionAndReopens) {
  const QString base = QString::fromStdString(dir.File("picture"));
  fake->saveChoices.push_back({base, 8});
  frame->ToolButton("SaveToolBtn")->click();
  ASSERT_EQ(fake->saveRequests.size(), 1u);
  EXPECT_EQ(fake->saveRequests[0].title, "Image SaveAs....");
  EXPECT_EQ(fake->saveRequests[0].proposedName, "Result1");
  EXPECT_TRUE(fake->errors.empty()) << fake->errors.front();
  EXPECT_TRUE(QFileInfo::exists(base + ".wbmp"));
  EXPECT_EQ(doc->Caption(), "picture.wbmp");
  EXPECT_EQ(doc->FileName, (base + ".wbmp").toStdString());
  EXPECT_FALSE(doc->Modified);
  EXPECT_FALSE(doc->Item("File_SaveItem")->isEnabled());

  // The next Save As starts in that folder.
  fake->saveChoices.push_back({});
  doc->File_SaveAsItemClick();
  EXPECT_EQ(fake->saveRequests[1].dir, QFileInfo(base).absolutePath());

  // Reopening gives a 1-bit picture of the same size.
  fake->openChoices.push_back({base + ".wbmp", 8});
  frame->FileOpenItemClick();
  ASSERT_EQ(frame->ChildCount(), 2);
  const RasterImage& back = frame->Documents()[1]->Picture();
  EXPECT_EQ(frame->Documents()[1]->Caption(), "picture.wbmp");
  EXPECT_EQ(back.Width(), 9);
  EXPECT_EQ(back.Height(), 7);
  EXPECT_EQ(back.Format(), PixelFormat::pf1Bit);
}

TEST_F(DocumentTest, FailedSaveKeepsTheWindowModifiedAndOpenOnClose) {
  doc->FileName = dir.File("missing-folder/picture.bmp");
  doc->Modified = true;
  EXPECT_FALSE(doc->File_SaveItemClick());
  EXPECT_TRUE(doc->Modified);
  EXPECT_EQ(fake->errors.size(), 1u);
  fake->closeAnswers = {CloseAnswer::Yes};
  doc->File_CloseItemClick();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(frame->ChildCount(), 1);
  EXPECT_EQ(fake->closeQuestions[0].first, "Do you Save changes to Result1 ?");
}

TEST_F(DocumentTest, SaveWritesTheFileAndClearsModified) {
  doc->FileName = dir.File("kept.bmp");
  ASSERT_TRUE(doc->File_SaveItemClick());
  EXPECT_FALSE(doc->Modified);
  const QImage written(QString::fromStdString(doc->FileName));
  ASSERT_FALSE(written.isNull());
  EXPECT_TRUE(test::SamePixels24(QImageToRaster24(written), picture));
  // Unmodified: closing asks nothing.
  doc->File_CloseItemClick();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(frame->ChildCount(), 0);
  EXPECT_TRUE(fake->closeQuestions.empty());
}

TEST_F(DocumentTest, EscapeLeavesSelectionModeButKeepsTheBand) {
  doc->Popup_SelectItemClick();
  Drag({1, 1}, {3, 3});
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(doc, &escape);
  EXPECT_FALSE(doc->Selecting);
  EXPECT_EQ(doc->SelEnd, QPoint(3, 3));
  EXPECT_TRUE(frame->ToolButton("CopyToolBtn")->isEnabled());  // the tools stay as they were
}

TEST_F(DocumentTest, CopyWithAnEmptySelectionChangesNothing) {
  const RasterImage marker = test::MakeFlat24(2, 2, 1, 2, 3);
  QGuiApplication::clipboard()->setImage(RasterToQImage(marker));
  doc->Popup_SelectItemClick();
  doc->Popup_CopyItemClick();
  EXPECT_TRUE(test::SamePixels24(Clipboard(), marker));
  EXPECT_TRUE(doc->Selecting);
}

}  // namespace
}  // namespace tessalin
