// The frame under load: a hundred document windows opened and closed, twenty
// processing dialogs that outlive the documents they came from, then Close All
// and Exit. Run under the sanitizers, these catch dangling pointers and leaks.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>
#include <vector>

#include "app/document_window.h"
#include "app/main_frame.h"
#include "support/test_pictures.h"
#include "ui/frame_test_support.h"
#include "widgets/processing_dialog.h"
#include "widgets/qt_raster.h"

namespace tessalin {
namespace {

using test::FakeFramePrompts;

void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

class FrameLoadTest : public ::testing::Test {
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
    FlushDeletes();
  }
  // Document windows anywhere under the frame, listed or not.
  int LiveDocumentWidgets() const { return static_cast<int>(frame->findChildren<TMDIChild*>().size()); }

  FakeFramePrompts* fake = nullptr;
  std::unique_ptr<TMain_Frm> frame;
  test::TempDir dir;
};

TEST_F(FrameLoadTest, AHundredDocumentsOpenAndCloseWithoutLeftovers) {
  const RasterImage onDisk = test::MakeGradient(12, 9);
  const QString path = QString::fromStdString(dir.File("load.bmp"));
  ASSERT_TRUE(RasterToQImage(onDisk).save(path, "BMP"));

  std::vector<RasterImage> given;
  std::vector<QPointer<TMDIChild>> windows;
  for (int i = 0; i < 100; ++i) {
    if (i % 2 == 0) {
      // The frame's own open path, as from the Open button.
      fake->openChoices.push_back({path, 2});
      frame->ToolButton("OpenToolBtn")->click();
      given.emplace_back().Assign(onDisk);
    } else {
      RasterImage picture = test::MakeRandom24(5 + i % 7, 4 + i % 5, static_cast<unsigned>(i));
      frame->CreateImageChild(dir.File("made" + std::to_string(i) + ".bmp"), picture);
      given.push_back(std::move(picture));
    }
    ASSERT_EQ(frame->ChildCount(), i + 1) << (fake->errors.empty() ? "" : fake->errors.back());
    windows.emplace_back(frame->Documents().back());
  }
  EXPECT_TRUE(fake->errors.empty());
  EXPECT_EQ(frame->MdiArea()->subWindowList().size(), 100);
  EXPECT_FALSE(frame->StatusSimpleMode());
  // Every window keeps its own picture, in the frame's order.
  for (int i = 0; i < 100; ++i) {
    TMDIChild* doc = frame->Documents()[static_cast<size_t>(i)];
    ASSERT_EQ(doc, windows[static_cast<size_t>(i)].data());
    EXPECT_TRUE(test::SamePixels24(doc->Picture(), given[static_cast<size_t>(i)])) << "window " << i;
    EXPECT_EQ(doc->Caption(), i % 2 == 0 ? QString("load.bmp") : QString("made%1.bmp").arg(i));
    EXPECT_FALSE(doc->Modified);
  }

  // Half closed one at a time, from the middle outwards; unmodified files ask nothing.
  for (int i = 25; i < 75; ++i) windows[static_cast<size_t>(i)]->File_CloseItemClick();
  FlushDeletes();
  EXPECT_EQ(frame->ChildCount(), 50);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(windows[static_cast<size_t>(i)].isNull(), i >= 25 && i < 75) << i;
  EXPECT_EQ(frame->Documents()[25], windows[75].data());

  // The rest through Close All from a document's own menu (that window goes
  // too while its item runs), some of them modified by then.
  for (int i = 0; i < 25; i += 5) windows[static_cast<size_t>(i)]->Popup_InverseItemClick();
  fake->closeAnswers = {CloseAnswer::No, CloseAnswer::NoToAll};
  windows[80]->Item("File_CloseAllItem")->trigger();
  EXPECT_EQ(fake->closeQuestions.size(), 2u);
  EXPECT_EQ(frame->ChildCount(), 0);
  FlushDeletes();
  for (const QPointer<TMDIChild>& window : windows) EXPECT_TRUE(window.isNull());
  EXPECT_EQ(LiveDocumentWidgets(), 0);
  EXPECT_TRUE(frame->MdiArea()->subWindowList().isEmpty());
  EXPECT_TRUE(frame->StatusSimpleMode());
  EXPECT_FALSE(frame->ToolButton("SaveToolBtn")->isEnabled());
  EXPECT_EQ(frame->ActiveDocumentPicture(), nullptr);
}

// The dialog of each processing command and the button a user presses in it.
struct DialogCommand {
  const char* item;
  const char* dialog;
  const char* button;
};

const DialogCommand kDialogCommands[] = {
    {"Model_ChennelSpecItem", "Channel_Frm", "Channel_Dis_Btn"},
    {"Dither_0Item", "Dither_Frm", "Apply_Btn"},
    {"Dither_2Item", "Dither_Frm", "Apply_Btn"},
    {"Dither_5Item", "Dither_Frm", "Apply_Btn"},
    {"Dither_MoreItem", "Dither_Frm", "Apply_Btn"},
    {"Convolve_0Item", "Convolve_Frm", "Apply_Btn"},
    {"Convolve_3Item", "Convolve_Frm", "Apply_Btn"},
    {"Edge_0Item", "Edge_Frm", "Apply_Btn"},
    {"Edge_1Item", "Edge_Frm", "Apply_Btn"},
    {"Rotate_CustomItem", "Rotate_Frm", "Ok_BitBtn"},
    {"Scale_CustomItem", "Scale_Frm", "Ok_BitBtn"},
};

TEST_F(FrameLoadTest, TwentyDialogsOutliveTheirDocumentsThenExitClosesEverything) {
  std::vector<RasterImage> sources;
  for (int i = 0; i < 4; ++i) {
    sources.push_back(test::MakeRandom24(17 + i, 13 + 2 * i, 40u + static_cast<unsigned>(i)));
    frame->CreateResultChild("source", sources.back());
  }
  const std::vector<QPointer<TMDIChild>> documents(frame->Documents().begin(), frame->Documents().end());

  struct Opened {
    QPointer<ProcessingDialog> dialog;
    const DialogCommand* command;
    int document;
  };
  std::vector<Opened> opened;
  for (int i = 0; i < 20; ++i) {
    const DialogCommand& command = kDialogCommands[i % std::size(kDialogCommands)];
    const int index = i % 4;
    TMDIChild* doc = documents[static_cast<size_t>(index)];
    frame->MdiArea()->setActiveSubWindow(doc->SubWindow());
    const auto before = frame->findChildren<ProcessingDialog*>();
    QAction* item = doc->Item(command.item);
    ASSERT_NE(item, nullptr) << command.item;
    ASSERT_TRUE(item->isEnabled()) << command.item;
    item->trigger();
    const auto after = frame->findChildren<ProcessingDialog*>();
    ASSERT_EQ(after.size(), before.size() + 1) << command.item;
    ProcessingDialog* dialog = nullptr;
    for (ProcessingDialog* candidate : after)
      if (!before.contains(candidate)) dialog = candidate;
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->objectName(), command.dialog);
    EXPECT_FALSE(dialog->isModal()) << command.dialog;
    EXPECT_TRUE(dialog->isVisible());
    opened.push_back({dialog, &command, index});
  }
  EXPECT_TRUE(fake->errors.empty()) << fake->errors.front();
  EXPECT_EQ(frame->ChildCount(), 4);  // opening a dialog opens no window

  // Every source document goes while its dialogs stay open.
  fake->closeAnswers.assign(4, CloseAnswer::No);
  for (const QPointer<TMDIChild>& doc : documents) doc->File_CloseItemClick();
  FlushDeletes();
  EXPECT_EQ(frame->ChildCount(), 0);
  for (const QPointer<TMDIChild>& doc : documents) EXPECT_TRUE(doc.isNull());

  // The dialogs still work on their own copies; Ok of rotate and scale exports and closes.
  int exports = 0;
  for (const Opened& entry : opened) {
    ASSERT_FALSE(entry.dialog.isNull()) << entry.command->dialog;
    auto* button = entry.dialog->findChild<QPushButton*>(entry.command->button);
    ASSERT_NE(button, nullptr) << entry.command->dialog << " " << entry.command->button;
    button->click();
    if (std::string(entry.command->button) == "Ok_BitBtn") {
      ++exports;
      ASSERT_EQ(frame->ChildCount(), exports);
      // Unturned and unscaled, the export is the source document's picture.
      EXPECT_TRUE(test::SamePixels24(frame->Documents().back()->Picture(),
                                     sources[static_cast<size_t>(entry.document)]))
          << entry.command->dialog;
    }
  }
  FlushDeletes();
  EXPECT_TRUE(fake->errors.empty()) << fake->errors.front();
  const auto okCommands = std::count_if(opened.begin(), opened.end(), [](const Opened& entry) {
    return std::string(entry.command->button) == "Ok_BitBtn";
  });
  ASSERT_GE(okCommands, 2);  // rotate and scale both among the twenty
  EXPECT_EQ(exports, okCommands);
  int stillOpen = 0;
  for (const Opened& entry : opened) stillOpen += entry.dialog.isNull() ? 0 : 1;
  EXPECT_EQ(stillOpen, 20 - okCommands);

  // Exit from an exported window's menu: Close All with No to All, then
  // "Really exit Tessalin?" answered Yes.
  fake->closeQuestions.clear();
  fake->closeAnswers = {CloseAnswer::NoToAll};
  fake->exitAnswers = {true};
  ASSERT_EQ(frame->ChildCount(), okCommands);
  frame->Documents()[1]->Item("File_ExitItem")->trigger();
  FlushDeletes();
  EXPECT_EQ(fake->closeQuestions.size(), 1u);
  EXPECT_EQ(fake->exitQuestions, 1);
  EXPECT_EQ(frame->ChildCount(), 0);
  EXPECT_EQ(LiveDocumentWidgets(), 0);
  EXPECT_FALSE(frame->isVisible());

  // The frame takes its remaining dialogs with it.
  frame.reset();
  FlushDeletes();
  for (const Opened& entry : opened) EXPECT_TRUE(entry.dialog.isNull()) << entry.command->dialog;
}

}  // namespace
}  // namespace tessalin
