// Out of memory in the middle of a command: every large allocation the
// command makes is failed in turn, and each time the error box must appear and
// every document window must keep its picture, caption and modified flag.
//
// The allocator below replaces every form of operator new and delete for the
// whole test program. Disarmed it is plain malloc/free (the sanitizers still
// see every block); armed on the thread that armed it, it throws
// std::bad_alloc for one chosen request at or above a size made by the
// program's own code.
#include <gtest/gtest.h>

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>
#include <vector>

#include "app/document_window.h"
#include "app/main_frame.h"
#include "app/wizard_run.h"
#include "support/test_pictures.h"
#include "ui/frame_test_support.h"
#include "widgets/processing_dialog.h"
#include "widgets/qt_raster.h"
#include "widgets/scale_image.h"

namespace {

thread_local bool t_armed = false;
std::atomic<std::size_t> g_minSize{0};
std::atomic<long> g_letThrough{0};  // large requests still granted before the failing one
std::atomic<int> g_failed{0};

// The program's own code, linked into this executable. Requests from the
// toolkit's libraries are never failed: they are not written to survive it
// (a failure inside the paint engine leaves a lock held).
extern "C" char __executable_start;
extern "C" char etext;

bool FromThisProgram(const void* caller) {
  const auto* at = static_cast<const char*>(caller);
  return at >= &__executable_start && at < &etext;
}

bool FailThisRequest(std::size_t size, const void* caller) {
  if (!t_armed || size < g_minSize.load(std::memory_order_relaxed) || !FromThisProgram(caller)) return false;
  if (g_letThrough.fetch_sub(1, std::memory_order_relaxed) > 0) return false;
  t_armed = false;  // one failure per run: the handlers after it get their memory
  g_failed.fetch_add(1, std::memory_order_relaxed);
  return true;
}

void* Allocate(std::size_t size, const void* caller) {
  if (FailThisRequest(size, caller)) return nullptr;
  return std::malloc(size ? size : 1);
}

void* AllocateAligned(std::size_t size, std::align_val_t align, const void* caller) {
  if (FailThisRequest(size, caller)) return nullptr;
  std::size_t alignment = static_cast<std::size_t>(align);
  if (alignment < sizeof(void*)) alignment = sizeof(void*);
  void* block = nullptr;
  return posix_memalign(&block, alignment, size ? size : 1) == 0 ? block : nullptr;
}

void* AllocateOrThrow(std::size_t size, const void* caller) {
  if (void* block = Allocate(size, caller)) return block;
  throw std::bad_alloc();
}

void* AllocateAlignedOrThrow(std::size_t size, std::align_val_t align, const void* caller) {
  if (void* block = AllocateAligned(size, align, caller)) return block;
  throw std::bad_alloc();
}

}  // namespace

#define CALLER __builtin_return_address(0)
void* operator new(std::size_t size) { return AllocateOrThrow(size, CALLER); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size, CALLER); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, CALLER); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, CALLER); }
void* operator new(std::size_t size, std::align_val_t align) { return AllocateAlignedOrThrow(size, align, CALLER); }
void* operator new[](std::size_t size, std::align_val_t align) { return AllocateAlignedOrThrow(size, align, CALLER); }
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, align, CALLER);
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, align, CALLER);
}
#undef CALLER
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { std::free(block); }

namespace tessalin {
namespace {

using test::FakeFramePrompts;

// Fails the request number `skip` (from 0) of those at least `minSize` bytes
// long, made on this thread while the object lives.
class FailingAllocation {
 public:
  FailingAllocation(std::size_t minSize, long skip) {
    g_minSize = minSize;
    g_letThrough = skip;
    g_failed = 0;
    t_armed = true;
  }
  ~FailingAllocation() { t_armed = false; }
  FailingAllocation(const FailingAllocation&) = delete;
  FailingAllocation& operator=(const FailingAllocation&) = delete;
  static bool Failed() { return g_failed > 0; }
};

// Everything a document window shows of its picture, byte for byte.
struct DocumentState {
  TMDIChild* window;
  QString caption;
  bool modified;
  PixelFormat format;
  int width, height;
  std::vector<uint8_t> rows;
  ColorTable colours;

  static DocumentState Of(TMDIChild* doc) {
    const RasterImage& picture = doc->Picture();
    DocumentState state{doc,           doc->Caption(),   doc->Modified, picture.Format(),
                        picture.Width(), picture.Height(), {},            picture.Colors()};
    for (int y = 0; y < picture.Height(); ++y)
      state.rows.insert(state.rows.end(), picture.Row(y), picture.Row(y) + picture.RowBytes());
    return state;
  }
  bool operator==(const DocumentState&) const = default;
};

// Requests this large are picture buffers; the frame's own small objects never fail.
constexpr std::size_t kLargeRequest = 8 * 1024;

class OutOfMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ClearClipboard();
    auto prompts = std::make_unique<FakeFramePrompts>();
    fake = prompts.get();
    frame = std::make_unique<TMain_Frm>(std::move(prompts));
    frame->resize(1000, 700);
    frame->show();
    // A file document (not modified), a computed one (modified) and an 8-bit one.
    frame->CreateImageChild(dir.File("photo.bmp"), test::MakeRandom24(128, 96, 3));
    frame->CreateResultChild("made", test::MakeRandom24(121, 95, 4));
    frame->Documents()[0]->Item("BitModel_pf8BitItem")->trigger();
    ASSERT_EQ(frame->ChildCount(), 3);
    ASSERT_EQ(frame->Documents()[2]->Picture().Format(), PixelFormat::pf8Bit);
  }
  void TearDown() override {
    frame.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  std::vector<DocumentState> Snapshot() const {
    std::vector<DocumentState> states;
    for (TMDIChild* doc : frame->Documents()) states.push_back(DocumentState::Of(doc));
    return states;
  }
  // Every box shown so far, errors and messages alike.
  std::vector<std::string> Reports() const {
    std::vector<std::string> all(fake->errors);
    all.insert(all.end(), fake->messages.begin(), fake->messages.end());
    return all;
  }
  void CloseWindowsAfter(size_t keep) {
    fake->closeAnswers.assign(frame->Documents().size(), CloseAnswer::No);
    while (frame->Documents().size() > keep) frame->Documents().back()->File_CloseItemClick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    fake->closeAnswers.clear();
  }
  void Activate(TMDIChild* doc) { frame->MdiArea()->setActiveSubWindow(doc->SubWindow()); }

  // Runs `command` once for each large request it makes, that request
  // failing; returns how many runs failed. The final run succeeds.
  int FailEachRequestOf(const char* what, const std::function<void()>& command) {
    int failures = 0;
    for (long skip = 0; skip < 1000; ++skip) {
      const std::vector<DocumentState> before = Snapshot();
      const size_t reportsBefore = Reports().size();
      bool failed = false;
      {
        FailingAllocation failing(kLargeRequest, skip);
        command();
        failed = FailingAllocation::Failed();
      }
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      if (!failed) {
        EXPECT_EQ(Reports().size(), reportsBefore) << what;
        return failures;
      }
      ++failures;
      // One box, saying so: "Out of memory." or, for a file being read, that
      // the file is too large to read into memory.
      const std::vector<std::string> reports = Reports();
      EXPECT_EQ(reports.size(), reportsBefore + 1) << what << ": request " << skip;
      if (reports.size() == reportsBefore + 1) {
        EXPECT_NE(reports.back().find("memory"), std::string::npos) << what << ": " << reports.back();
      }
      // The windows that were there are there, unchanged, in the same order.
      const std::vector<DocumentState> after = Snapshot();
      EXPECT_GE(after.size(), before.size()) << what;
      for (size_t i = 0; i < before.size() && i < after.size(); ++i)
        EXPECT_TRUE(after[i] == before[i]) << what << ": request " << skip << ", window " << i;
      // Any window a half-done batch opened is a whole window in the area.
      for (TMDIChild* doc : frame->Documents()) {
        EXPECT_NE(doc->SubWindow(), nullptr) << what;
        EXPECT_TRUE(doc->Picture().HasImage()) << what;
      }
      EXPECT_EQ(frame->findChildren<TMDIChild*>().size(), frame->Documents().size()) << what;
      EXPECT_EQ(frame->MdiArea()->subWindowList().size(), static_cast<qsizetype>(frame->Documents().size()));
      CloseWindowsAfter(before.size());
    }
    ADD_FAILURE() << what << " never ran to its end";
    return failures;
  }

  FakeFramePrompts* fake = nullptr;
  std::unique_ptr<TMain_Frm> frame;
  test::TempDir dir;
};

TEST_F(OutOfMemoryTest, TheAllocatorFailsOnlyTheChosenLargeRequestWhileArmed) {
  // Direct calls: the compiler may not leave them out.
  {
    FailingAllocation failing(1000, 1);
    ::operator delete(::operator new(999));   // below the size: granted
    ::operator delete(::operator new(1000));  // the first large one: let through
    EXPECT_FALSE(FailingAllocation::Failed());
    EXPECT_THROW((void)::operator new(5000), std::bad_alloc);
    EXPECT_TRUE(FailingAllocation::Failed());
    ::operator delete[](::operator new[](5000));  // one failure only
  }
  {
    // The nothrow and aligned forms fail the same way.
    FailingAllocation failing(1000, 0);
    EXPECT_EQ(::operator new[](2000, std::nothrow), nullptr);
  }
  {
    FailingAllocation failing(1000, 0);
    EXPECT_THROW((void)::operator new(4096, std::align_val_t(64)), std::bad_alloc);
  }
  void* aligned = ::operator new(4096, std::align_val_t(64));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(aligned) % 64, 0u);
  ::operator delete(aligned, std::align_val_t(64));
  ::operator delete(::operator new(1 << 20));  // disarmed: no limit
}

TEST_F(OutOfMemoryTest, MenuCommandsOfADocumentEndCleanly) {
  struct Command {
    const char* item;
    int document;
  };
  const Command commands[] = {
      {"Rotate_90Item", 1},         {"Scale_200Item", 1},        {"Scale_50Item", 0},
      {"BitModel_pf1BitItem", 1},   {"BitModel_pf15bitItem", 2}, {"BitModel_pf24BitItem", 2},
      {"Mirror_HorizontalItem", 0}, {"Model_GrayScaleItem", 2},  {"Bit_HSIChannelItem", 1},
      {"Model_RGB2HSIItem", 0},
  };
  for (const Command& command : commands) {
    TMDIChild* doc = frame->Documents()[static_cast<size_t>(command.document)];
    ASSERT_NE(doc->Item(command.item), nullptr) << command.item;
    const int failures = FailEachRequestOf(command.item, [&] {
      Activate(doc);
      doc->Item(command.item)->trigger();
    });
    EXPECT_GT(failures, 0) << command.item << " made no large request";
    EXPECT_GT(frame->ChildCount(), 3) << command.item;
    CloseWindowsAfter(3);
  }
}

TEST_F(OutOfMemoryTest, CommandsThatChangeTheDocumentLeaveItAsItWas) {
  TMDIChild* doc = frame->Documents()[0];
  const DocumentState original = DocumentState::Of(doc);
  EXPECT_GT(FailEachRequestOf("Inverse", [&] { doc->Item("Popup_InverseItem")->trigger(); }), 0);
  EXPECT_TRUE(doc->Modified);
  EXPECT_FALSE(DocumentState::Of(doc).rows == original.rows);

  const DocumentState beforeCut = DocumentState::Of(doc);
  EXPECT_GT(FailEachRequestOf("Cut", [&] {
    doc->Popup_SelectAllItemClick();
    doc->Item("Popup_CutItem")->trigger();
  }),
            0);
  ASSERT_TRUE(doc->Item("Edit_UndoItem")->isEnabled());
  EXPECT_FALSE(DocumentState::Of(doc).rows == beforeCut.rows);  // cut to white

  // A failed Undo keeps both the cut picture and the way back.
  EXPECT_GT(FailEachRequestOf("Undo", [&] {
    ASSERT_TRUE(doc->Item("Edit_UndoItem")->isEnabled());
    doc->Item("Edit_UndoItem")->trigger();
  }),
            0);
  EXPECT_TRUE(DocumentState::Of(doc).rows == beforeCut.rows);
  EXPECT_FALSE(doc->Item("Edit_UndoItem")->isEnabled());
}

TEST_F(OutOfMemoryTest, QuickProcessEndsWithTheMessageAndWholeWindows) {
  TMDIChild* doc = frame->Documents()[1];
  for (const char* button : {"Process1ToolBtn", "Process3ToolBtn"}) {
    const int failures = FailEachRequestOf(button, [&] {
      Activate(doc);
      frame->ToolButton(button)->click();
    });
    EXPECT_GT(failures, 0) << button;
    EXPECT_GT(frame->ChildCount(), 4) << button;
    CloseWindowsAfter(3);
  }
}

TEST_F(OutOfMemoryTest, TheWizardRunOnAFileEndsWithTheMessageAndWholeWindows) {
  const std::string path = dir.File("wizard.bmp");
  ASSERT_TRUE(RasterToQImage(test::MakeRandom24(90, 70, 12)).save(QString::fromStdString(path), "BMP"));
  const int failures = FailEachRequestOf("wizard", [&] { RunWizardOnFile(*frame, QString::fromStdString(path)); });
  EXPECT_GT(failures, 0);
  // The run that succeeded opened its candidates and the source window.
  ASSERT_GT(frame->ChildCount(), 4);
  EXPECT_EQ(frame->Documents().back()->Caption(), "wizard.bmp");
}

TEST_F(OutOfMemoryTest, OpeningAProcessingDialogFailsWithoutAWindow) {
  TMDIChild* doc = frame->Documents()[1];
  for (const char* item : {"Convolve_2Item", "Dither_2Item", "Rotate_CustomItem", "Model_ChennelSpecItem"}) {
    const int failures = FailEachRequestOf(item, [&] {
      Activate(doc);
      doc->Item(item)->trigger();
    });
    EXPECT_GT(failures, 0) << item;
    // One dialog: the successful run's; the failed ones left none behind.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int visible = 0;
    for (ProcessingDialog* dialog : frame->findChildren<ProcessingDialog*>()) {
      visible += dialog->isVisible() ? 1 : 0;
      dialog->close();
    }
    EXPECT_EQ(visible, 1) << item;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(OutOfMemoryTest, ButtonsOfAnOpenDialogEndCleanly) {
  TMDIChild* doc = frame->Documents()[1];
  struct Press {
    const char* item;
    const char* button;
  };
  for (const Press& press : {Press{"Dither_2Item", "Apply_Btn"}, Press{"Convolve_1Item", "Apply_Btn"},
                             Press{"Edge_0Item", "Apply_Btn"}, Press{"Rotate_CustomItem", "Ok_BitBtn"},
                             Press{"Scale_CustomItem", "Ok_BitBtn"}}) {
    Activate(doc);
    doc->Item(press.item)->trigger();
    const auto dialogs = frame->findChildren<ProcessingDialog*>();
    ASSERT_EQ(dialogs.size(), 1) << press.item;
    QPointer<ProcessingDialog> dialog(dialogs[0]);  // Ok closes it
    auto* button = dialog->findChild<QPushButton*>(press.button);
    ASSERT_NE(button, nullptr) << press.button;
    // Hidden, so that the paints a handler lets through do not take the
    // failure: those have no box to show and are covered below.
    dialog->hide();
    bool escaped = false;
    const int failures = FailEachRequestOf(press.item, [&] {
      try {
        button->click();
      } catch (const std::bad_alloc&) {
        escaped = true;  // would end the program from the event loop
      }
    });
    EXPECT_FALSE(escaped) << press.item;
    EXPECT_GT(failures, 0) << press.item;
    if (dialog) dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull()) << press.item;
    CloseWindowsAfter(3);
  }
}

TEST_F(OutOfMemoryTest, ExportingAPreviewEndsCleanly) {
  TMDIChild* doc = frame->Documents()[1];
  for (const char* item : {"Convolve_1Item", "Edge_1Item", "Dither_0Item"}) {
    Activate(doc);
    doc->Item(item)->trigger();
    const auto dialogs = frame->findChildren<ProcessingDialog*>();
    ASSERT_EQ(dialogs.size(), 1) << item;
    dialogs[0]->findChild<QPushButton*>("Apply_Btn")->click();
    dialogs[0]->hide();
    auto* preview = dialogs[0]->findChild<TScaleImage*>(std::string(item) == "Dither_0Item" ? "I_Img" : "HSI_Img");
    ASSERT_NE(preview, nullptr) << item;
    bool escaped = false;
    const int failures = FailEachRequestOf(item, [&] {
      QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), preview->mapToGlobal(QPointF(5, 5)),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
      try {
        QCoreApplication::sendEvent(preview, &click);
      } catch (const std::bad_alloc&) {
        escaped = true;
      }
    });
    EXPECT_FALSE(escaped) << item;
    EXPECT_GT(failures, 0) << item;
    ASSERT_EQ(frame->ChildCount(), 4) << item;  // the export of the run that succeeded
    EXPECT_TRUE(test::SamePixels24(frame->Documents().back()->Picture(), preview->Picture())) << item;
    CloseWindowsAfter(3);
    dialogs[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(OutOfMemoryTest, APreviewMadeOnDemandSurvivesAFailedPaintAndAFailedRead) {
  frame->CreateResultChild("large", test::MakeRandom24(300, 240, 9));
  TMDIChild* doc = frame->Documents().back();
  // Two dialogs on the same picture: one fails, the other gives the expected pictures.
  auto openApplied = [&] {
    Activate(doc);
    doc->Item("Convolve_1Item")->trigger();
    ProcessingDialog* dialog = nullptr;
    for (ProcessingDialog* candidate : frame->findChildren<ProcessingDialog*>())
      if (candidate->isVisible() && candidate->property("tested").isNull()) dialog = candidate;
    dialog->setProperty("tested", true);
    dialog->findChild<QPushButton*>("Apply_Btn")->click();
    return dialog;
  };
  ProcessingDialog* failing = openApplied();
  ProcessingDialog* reference = openApplied();
  auto* preview = failing->findChild<TScaleImage*>("RGB_Img");
  ASSERT_NE(preview, nullptr);
  ASSERT_TRUE(preview->PictureIsDeferred());

  int failures = 0;
  for (long skip = 0; skip < 100; ++skip) {
    FailingAllocation failingPaint(kLargeRequest, skip);
    EXPECT_NO_THROW((void)preview->grab()) << skip;
    if (!FailingAllocation::Failed()) break;
    ++failures;
  }
  EXPECT_GT(failures, 0);
  {
    FailingAllocation failingRead(kLargeRequest, 0);
    EXPECT_THROW((void)preview->Picture(), std::bad_alloc);
  }
  // Still made on demand, and made right once memory is there.
  EXPECT_TRUE(preview->PictureIsDeferred());
  const RasterImage& expected = reference->findChild<TScaleImage*>("RGB_Img")->Picture();
  ASSERT_TRUE(expected.HasImage());
  EXPECT_TRUE(test::SamePixels24(preview->Picture(), expected));
  EXPECT_FALSE(preview->PictureIsDeferred());
  EXPECT_TRUE(Reports().empty());  // nothing to say from a paint
}

}  // namespace
}  // namespace tessalin
