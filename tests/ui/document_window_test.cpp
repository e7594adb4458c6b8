// The document window: rubber band, pixel readout, Copy, Cut and Undo, the
// in-place Inverse, processing into new windows, Save and Save As; its view
// at every zoom, in whole device pixels.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QScrollBar>
#include <QThread>
#include <QToolButton>
#include <QWheelEvent>
#include <QWindow>
#include <cmath>

#include "app/document_window.h"
#include "app/main_frame.h"
#include "support/test_pictures.h"
#include "ui/frame_test_support.h"
#include "widgets/device_pixels.h"
#include "widgets/qt_raster.h"

namespace tessalin {
namespace {

using test::Bgr;
using test::ExpectRequestedRatio;
using test::FakeFramePrompts;
using test::Fitted;
using test::SetClientSize;

void SendMouse(QWidget* widget, QEvent::Type type, QPointF at, Qt::MouseButton button) {
  QMouseEvent event(type, at, widget->mapToGlobal(at), button,
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
  doc->Item("BitModel_pf1BitItem")->trigger();
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

TEST_F(DocumentTest, CaptionDoubleClickRollsUpAndDownAndRestoresAMinimisedWindow) {
  QMdiSubWindow* sub = doc->SubWindow();
  const auto doubleClickCaption = [sub] {
    SendMouse(sub, QEvent::MouseButtonPress, QPointF(sub->width() / 2, 5), Qt::LeftButton);
    SendMouse(sub, QEvent::MouseButtonRelease, QPointF(sub->width() / 2, 5), Qt::LeftButton);
    SendMouse(sub, QEvent::MouseButtonDblClick, QPointF(sub->width() / 2, 5), Qt::LeftButton);
    SendMouse(sub, QEvent::MouseButtonRelease, QPointF(sub->width() / 2, 5), Qt::LeftButton);
  };
  // The picture as shown (7 x 9 at a ratio of 1) with the margin.
  const QSize client = doc->View()->DisplaySize() + QSize(kChildMargin, kChildMargin);
  doubleClickCaption();
  EXPECT_EQ(sub->height(), 27);  // rolled up to the caption
  doubleClickCaption();
  EXPECT_EQ(doc->height(), client.height());  // rolled down
  EXPECT_GE(doc->width(), client.width());
  EXPECT_FALSE(sub->isMaximized());

  sub->showMinimized();
  ASSERT_TRUE(sub->isMinimized());
  doubleClickCaption();
  EXPECT_FALSE(sub->isMinimized());
  EXPECT_EQ(doc->height(), client.height());
}

// The zoomed view. These tests run again with QT_SCALE_FACTOR=1.5.
class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ClearClipboard();
    frame = std::make_unique<TMain_Frm>(std::make_unique<FakeFramePrompts>());
    frame->resize(1000, 750);
    frame->show();
    picture = test::MakeRandom24(24, 18, 5);
    frame->CreateResultChild("view", picture);
    doc = frame->Documents().back();
    SetClientSize(doc, QSize(300, 250));
    ExpectRequestedRatio(doc);
  }
  void TearDown() override {
    frame.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  void Trigger(const char* item) { doc->Item(item)->trigger(); }
  // The logical position on Src_Img over the middle of the device pixels that show picture pixel p.
  QPointF Over(QPoint p) const {
    const ZoomStep zoom = doc->View()->Zoom();
    const QPointF device = zoom.reduce > 1 ? QPointF(p.x() / zoom.reduce + 0.5, p.y() / zoom.reduce + 0.5)
                                           : (QPointF(p) + QPointF(0.5, 0.5)) * zoom.magnify;
    return (device + DeviceShift(doc->ImageControl())) / doc->devicePixelRatioF();
  }

  std::unique_ptr<TMain_Frm> frame;
  RasterImage picture;
  TMDIChild* doc = nullptr;
};

QRgb PictureRgb(const RasterImage& picture, int x, int y) {
  const Bgr p = test::PixelAt(picture, x, y);
  return qRgb(p.r, p.g, p.b);
}

// The mean of the picture's block of `size` at (left, top), each channel rounded half up.
QRgb BlockMean(const RasterImage& picture, int left, int top, int size) {
  int sum[3] = {0, 0, 0}, count = 0;
  for (int y = top; y < std::min(picture.Height(), top + size); ++y)
    for (int x = left; x < std::min(picture.Width(), left + size); ++x, ++count) {
      const Bgr p = test::PixelAt(picture, x, y);
      sum[0] += p.r, sum[1] += p.g, sum[2] += p.b;
    }
  const auto mean = [count](int total) { return (2 * total + count) / (2 * count); };
  return qRgb(mean(sum[0]), mean(sum[1]), mean(sum[2]));
}

TEST_F(ViewTest, ViewMenuComesLastWithItsCaptionsAndShortcuts) {
  EXPECT_EQ(doc->Menus().back()->title(), "&View");
  EXPECT_EQ(doc->Menus().size(), 8u);
  struct Item {
    const char* name;
    const char* caption;
    QList<QKeySequence> shortcuts;
  };
  const Item items[] = {
      {"View_ZoomInItem", "Zoom &In", {QKeySequence("Ctrl+="), QKeySequence("Ctrl++")}},
      {"View_ZoomOutItem", "Zoom &Out", {QKeySequence("Ctrl+-")}},
      {"View_ActualPixelsItem", "&Actual Pixels", {QKeySequence("Ctrl+0")}},
      {"View_FitToWindowItem", "&Fit to Window", {QKeySequence("Ctrl+9")}},
  };
  for (const Item& item : items) {
    EXPECT_EQ(doc->Item(item.name)->text(), item.caption);
    EXPECT_EQ(doc->Item(item.name)->shortcuts(), item.shortcuts) << item.name;
  }
}

TEST_F(ViewTest, EveryZoomStepDrawsWholeDevicePixels) {
  struct Step {
    const char* what;
    std::vector<const char*> items;
    ZoomStep zoom;
  };
  const char* in = "View_ZoomInItem";
  const char* out = "View_ZoomOutItem";
  const Step steps[] = {
      {"new window", {}, {1, 1}},
      {"in", {in}, {2, 1}},
      {"in three times", {in, in, in}, {4, 1}},
      {"out", {out}, {1, 2}},
      {"out twice", {out, out}, {1, 3}},
      {"in and back to Actual Pixels", {in, in, "View_ActualPixelsItem"}, {1, 1}},
  };
  for (const Step& step : steps) {
    Trigger("View_ActualPixelsItem");
    for (const char* item : step.items) Trigger(item);
    const ZoomStep zoom = doc->View()->Zoom();
    ASSERT_EQ(zoom, step.zoom) << step.what;
    // Grabbed at the screen's ratio, the picture starts on the first device pixel.
    const QImage shown = doc->ImageControl()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int width = static_cast<int>(zoom.DeviceLength(picture.Width()));
    const int height = static_cast<int>(zoom.DeviceLength(picture.Height()));
    ASSERT_GE(shown.width(), width) << step.what;
    ASSERT_GE(shown.height(), height) << step.what;
    int wrong = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const QRgb expected = zoom.reduce > 1 ? BlockMean(picture, x * zoom.reduce, y * zoom.reduce, zoom.reduce)
                                              : PictureRgb(picture, x / zoom.magnify, y / zoom.magnify);
        wrong += shown.pixel(x, y) != expected;
      }
    EXPECT_EQ(wrong, 0) << step.what;
  }
}

TEST_F(ViewTest, FitChoosesTheLargestStepAtWhichTheWholePictureFits) {
  struct Case {
    int width, height;
    ZoomStep atRatio1, atRatio15;  // worked out for a 300 x 250 client less the 10-pixel margin
  };
  const Case cases[] = {
      {1000, 1000, {1, 5}, {1, 3}},  // 290 x 240: 1/5 gives 200; at 1.5, 434 x 359 device pixels: 1/3 gives 334
      {16, 16, {12, 1}, {20, 1}},    // 12 gives 192; at 1.5, 20 gives 320
      {24, 18, {12, 1}, {16, 1}},    // 12 gives 288 x 216; at 1.5, 16 gives 384 x 288
  };
  for (const Case& c : cases) {
    frame->CreateResultChild("fit", test::MakeRandom24(c.width, c.height, 2));
    TMDIChild* fitted = frame->Documents().back();
    SetClientSize(fitted, QSize(300, 250));
    fitted->Item("View_FitToWindowItem")->trigger();
    const qreal ratio = fitted->devicePixelRatioF();
    if (ratio == 1 || ratio == 1.5) {
      EXPECT_EQ(fitted->View()->Zoom(), ratio == 1 ? c.atRatio1 : c.atRatio15) << c.width;
    }
    EXPECT_TRUE(Fitted(fitted)) << c.width;
    EXPECT_FALSE(fitted->View()->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(fitted->View()->verticalScrollBar()->isVisible());
  }
}

TEST_F(ViewTest, AMoveBesideThePictureShowsTheSelectionSize) {
  doc->SelStart = QPoint(1, 2);
  doc->SelEnd = QPoint(7, 5);
  SendMouse(doc->View()->viewport(), QEvent::MouseMove, QPointF(2, 2), Qt::NoButton);  // in the margin
  EXPECT_EQ(frame->PanelText(5), "Selected[y:3, x:6]");
}

TEST_F(ViewTest, ALongPictureZoomsInOnlyAsFarAsAWidgetReaches) {
  frame->CreateResultChild("long", test::MakeFlat24(300000, 1, 9, 9, 9));
  TMDIChild* line = frame->Documents().back();
  line->View()->ShowAt(ZoomStep{64, 1}, QPointF(150000, 0));
  const ZoomStep zoom = line->View()->Zoom();
  EXPECT_LT(zoom.magnify, 64);
  EXPECT_LE(zoom.DeviceLength(300000), QWIDGETSIZE_MAX);
  EXPECT_EQ(line->ImageControl()->size(), line->View()->DisplaySize());  // not cut short by the widget limit
}

TEST_F(ViewTest, PixelReadoutAndSelectionAreInPictureCoordinatesAtEveryZoom) {
  struct Case {
    std::vector<const char*> items;
    QPoint over, expected;  // a zoomed-out device pixel answers for its block's first pixel
    QPoint from, to;        // a band dragged between the pixels under the mouse
  };
  const char* in = "View_ZoomInItem";
  const char* out = "View_ZoomOutItem";
  const Case cases[] = {
      {{in, in, in}, {13, 11}, {13, 11}, {21, 16}, {2, 3}},
      {{in}, {5, 2}, {5, 2}, {1, 1}, {4, 6}},
      {{out}, {9, 7}, {8, 6}, {4, 2}, {10, 6}},
  };
  QWidget* image = doc->ImageControl();
  for (const Case& c : cases) {
    Trigger("View_ActualPixelsItem");
    for (const char* item : c.items) Trigger(item);
    SendMouse(image, QEvent::MouseMove, Over(c.over), Qt::NoButton);
    EXPECT_EQ(frame->PanelText(3), QString("Pos[y:%1, x:%2]").arg(c.expected.y()).arg(c.expected.x()));
    const Bgr p = test::PixelAt(picture, c.expected.x(), c.expected.y());
    EXPECT_EQ(frame->PanelText(0), QString("[R:%1 G:%2 B:%3]").arg(p.r).arg(p.g).arg(p.b));

    doc->Popup_SelectItemClick();
    SendMouse(image, QEvent::MouseButtonPress, Over(c.from), Qt::LeftButton);
    SendMouse(image, QEvent::MouseMove, Over(c.to), Qt::LeftButton);
    SendMouse(image, QEvent::MouseButtonRelease, Over(c.to), Qt::LeftButton);
    EXPECT_EQ(doc->SelStart, c.from);
    EXPECT_EQ(doc->SelEnd, c.to);
    doc->Popup_CopyItemClick();
    const RasterImage copied = QImageToRaster24(QGuiApplication::clipboard()->image());
    const Rect band = TMDIChild::SelectionRect(c.from, c.to);
    RasterImage expected = NewRaster(PixelFormat::pf24Bit, band.Height(), band.Width());
    expected.CopyRect(Rect{0, 0, band.Width(), band.Height()}, picture, band);
    EXPECT_TRUE(test::SamePixels24(copied, expected)) << c.from.x() << "," << c.from.y();
  }
}

TEST_F(ViewTest, CtrlWheelZoomsAboutTheMouseAndTheMiddleButtonPans) {
  QWidget* image = doc->ImageControl();
  const auto wheel = [&](QPoint over, int delta, Qt::KeyboardModifiers modifiers) {
    const QPointF at = Over(over);
    QWheelEvent event(at, image->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(image, &event);
  };
  wheel({20, 15}, 120, Qt::ControlModifier);
  wheel({20, 15}, 240, Qt::ControlModifier);
  EXPECT_EQ(doc->View()->Zoom(), (ZoomStep{4, 1}));
  // The pixel that was under the mouse still is.
  SendMouse(image, QEvent::MouseMove, Over({20, 15}), Qt::NoButton);
  EXPECT_EQ(frame->PanelText(3), "Pos[y:15, x:20]");
  wheel({20, 15}, -120, Qt::ControlModifier);
  EXPECT_EQ(doc->View()->Zoom(), (ZoomStep{3, 1}));
  wheel({20, 15}, -120, Qt::NoModifier);  // scrolls, does not zoom
  EXPECT_EQ(doc->View()->Zoom(), (ZoomStep{3, 1}));

  // Zoomed in until both scroll bars have room to move.
  doc->View()->ShowAt(ZoomStep{32, 1}, QPointF(0, 0));
  QScrollBar* across = doc->View()->horizontalScrollBar();
  QScrollBar* down = doc->View()->verticalScrollBar();
  const QPoint before(across->value(), down->value());
  ASSERT_GE(across->maximum() - before.x(), 30);
  ASSERT_GE(down->maximum() - before.y(), 20);
  const QPointF start = Over({12, 9});
  SendMouse(image, QEvent::MouseButtonPress, start, Qt::MiddleButton);
  SendMouse(image, QEvent::MouseMove, start + QPointF(-30, -20), Qt::MiddleButton);
  SendMouse(image, QEvent::MouseButtonRelease, start + QPointF(-30, -20), Qt::MiddleButton);
  EXPECT_EQ(QPoint(across->value(), down->value()), before + QPoint(30, 20));
  EXPECT_FALSE(doc->Dragging);
}

// What the X server shows, grabbed with ImageMagick's import. screen_pixels.sh
// runs this on Xvfb at a scale factor of 1.5; elsewhere it is skipped.
bool ContainsCheckerboard(const QImage& screen, int squares, int size) {
  const int span = squares * size;
  const auto black = [&](int x, int y) { return (screen.pixel(x, y) & 0xFFFFFF) == 0; };
  const auto white = [&](int x, int y) { return (screen.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF; };
  for (int top = 0; top + span <= screen.height(); ++top)
    for (int left = 0; left + span <= screen.width(); ++left) {
      bool whole = true;
      for (int y = 0; y < span && whole; ++y)
        for (int x = 0; x < span && whole; ++x)
          whole = ((x / size + y / size) % 2 == 0) ? black(left + x, top + y) : white(left + x, top + y);
      if (whole) return true;
    }
  return false;
}

QImage GrabScreen(const QString& path) {
  // Let the server draw what the program painted.
  for (int i = 0; i < 20; ++i) {
    QCoreApplication::processEvents();
    QThread::msleep(25);
  }
  EXPECT_EQ(QProcess::execute("import", {"-window", "root", path}), 0);
  return QImage(path).convertToFormat(QImage::Format_RGB32);
}

TEST(ScreenPixels, CheckerboardIsExactAtActualPixelsAndAfterZoomIn) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server: tests/ui/screen_pixels.sh";
  test::TempDir dir;
  TMain_Frm frame(std::make_unique<FakeFramePrompts>());
  frame.resize(800, 600);
  frame.show();
  QElapsedTimer waited;
  waited.start();
  while (!frame.windowHandle()->isExposed() && waited.elapsed() < 5000) QCoreApplication::processEvents();
  RasterImage board = NewRaster(PixelFormat::pf24Bit, 64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      test::SetPixelAt(board, x, y, (x + y) % 2 == 0 ? Bgr{0, 0, 0} : Bgr{255, 255, 255});
  frame.CreateImageChild(dir.File("checkerboard.bmp"), board);
  TMDIChild* doc = frame.Documents().back();
  ExpectRequestedRatio(doc);
  SetClientSize(doc, QSize(300, 300));
  // At 1.5 every other logical position starts half way into a device pixel: try both.
  for (const QPoint move : {QPoint(0, 0), QPoint(1, 1)}) {
    doc->SubWindow()->move(doc->SubWindow()->pos() + move);
    const QPointF shift = DeviceShift(doc->ImageControl());
    const std::string where = std::to_string(shift.x()) + "," + std::to_string(shift.y());
    doc->Item("View_ActualPixelsItem")->trigger();
    EXPECT_TRUE(ContainsCheckerboard(GrabScreen(QString::fromStdString(dir.File("actual.png"))), 64, 1)) << where;
    doc->Item("View_ZoomInItem")->trigger();
    EXPECT_TRUE(ContainsCheckerboard(GrabScreen(QString::fromStdString(dir.File("zoomed.png"))), 64, 2)) << where;
  }
}

}  // namespace
}  // namespace tessalin
