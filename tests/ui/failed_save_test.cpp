// Saves that cannot complete: into a read-only folder and onto a path that is
// a folder, through Save, Save As and the close questions. The error box names
// the file, the old file and the folder stay as they were, and the window stays
// modified under its old caption.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QToolButton>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "app/document_window.h"
#include "app/main_frame.h"
#include "support/test_pictures.h"
#include "ui/frame_test_support.h"
#include "widgets/qt_raster.h"

namespace tessalin {
namespace {

using test::FakeFramePrompts;

// An administrator writes into read-only folders anyway; while this object
// lives the calling thread goes by the permission bits like anyone else.
class PermissionBitsApply {
 public:
  PermissionBitsApply() {
    if (::syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    const uint32_t overrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    reduced[0].effective &= ~overrides;
    changed_ = ::syscall(SYS_capset, &header_, reduced) == 0;
  }
  ~PermissionBitsApply() {
    if (changed_) ::syscall(SYS_capset, &header_, saved_);
  }
  PermissionBitsApply(const PermissionBitsApply&) = delete;
  PermissionBitsApply& operator=(const PermissionBitsApply&) = delete;

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2] = {};
  bool changed_ = false;
};

QStringList Listing(const std::string& folder) {
  return QDir(QString::fromStdString(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                                         QDir::Name);
}

class FailedSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto prompts = std::make_unique<FakeFramePrompts>();
    fake = prompts.get();
    frame = std::make_unique<TMain_Frm>(std::move(prompts));
    frame->resize(900, 700);
    frame->show();
    folder = dir.File("locked");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    oldFile = folder + "/old.bmp";
    ASSERT_TRUE(RasterToQImage(test::MakeGradient(6, 5)).save(QString::fromStdString(oldFile), "BMP"));
    oldBytes = test::ReadBytes(oldFile);
    frame->CreateImageChild(oldFile, test::MakeGradient(6, 5));
    doc = frame->Documents().back();
    doc->Popup_InverseItemClick();  // now it differs from the file
    ASSERT_TRUE(doc->Modified);
  }
  void TearDown() override {
    ::chmod(folder.c_str(), 0755);
    frame.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // False (and the test skipped) when the folder cannot be made read-only here.
  bool LockFolder() {
    if (::chmod(folder.c_str(), 0555) != 0) return false;
    const std::string probe = folder + "/probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT, 0644);
    if (fd < 0) return true;
    ::close(fd);
    ::unlink(probe.c_str());
    return false;
  }

  void ExpectUnsaved(const std::string& named, const std::string& what) {
    ASSERT_EQ(fake->errors.size(), 1u) << what;
    EXPECT_NE(fake->errors[0].find(named), std::string::npos) << what << ": " << fake->errors[0];
    EXPECT_TRUE(fake->messages.empty()) << what;  // one box, not two
    EXPECT_EQ(test::ReadBytes(oldFile), oldBytes) << what;
    EXPECT_EQ(Listing(folder), QStringList{"old.bmp"}) << what;
    EXPECT_TRUE(doc->Modified) << what;
    EXPECT_TRUE(doc->Item("File_SaveItem")->isEnabled()) << what;
    EXPECT_EQ(doc->Caption(), "old.bmp") << what;
    EXPECT_EQ(doc->FileName, oldFile) << what;
    fake->errors.clear();
  }

  FakeFramePrompts* fake = nullptr;
  std::unique_ptr<TMain_Frm> frame;
  test::TempDir dir;
  std::string folder, oldFile;
  std::vector<uint8_t> oldBytes;
  TMDIChild* doc = nullptr;
};

TEST_F(FailedSaveTest, SaveAndSaveAsIntoAReadOnlyFolderKeepTheOldFileAndTheWindowModified) {
  PermissionBitsApply asAnyUser;
  if (!LockFolder()) GTEST_SKIP() << "this user writes into read-only folders";

  EXPECT_FALSE(doc->File_SaveItemClick());
  ExpectUnsaved(oldFile, "Save");

  // Save As under a new name and under the same name, in each writer's format.
  for (const char* name : {"new.bmp", "new.wbmp", "new.jpg", "new.gif", "new.raw", "old.bmp"}) {
    const std::string path = folder + "/" + name;
    fake->saveChoices.push_back({QString::fromStdString(path), 1});
    EXPECT_FALSE(doc->File_SaveAsItemClick()) << name;
    ExpectUnsaved(path, std::string("Save As ") + name);
  }
  // The tool button runs the same Save As.
  fake->saveChoices.push_back({QString::fromStdString(folder + "/tool.bmp"), 1});
  frame->ToolButton("SaveToolBtn")->click();
  ExpectUnsaved(folder + "/tool.bmp", "tool button");
}

TEST_F(FailedSaveTest, SaveAsOntoAFolderLeavesTheFolderAndTheWindowAlone) {
  for (const char* name : {"shots.bmp", "shots.wbmp", "shots.jpg", "shots.gif", "shots.raw", "shots.ico"}) {
    const std::string path = dir.File(name);
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    fake->saveChoices.push_back({QString::fromStdString(path), 1});
    EXPECT_FALSE(doc->File_SaveAsItemClick()) << name;
    ExpectUnsaved(path, std::string("Save As onto folder ") + name);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(path)).isDir()) << name;
    EXPECT_TRUE(Listing(path).isEmpty()) << name;
  }
  // No temporary file is left beside them either.
  for (const QString& entry : Listing(dir.Path())) EXPECT_FALSE(entry.startsWith('.')) << entry.toStdString();

  // A document whose own file name has become a folder fails the same way on Save.
  const std::string taken = dir.File("taken.bmp");
  ASSERT_EQ(::mkdir(taken.c_str(), 0755), 0);
  doc->FileName = taken;
  EXPECT_FALSE(doc->File_SaveItemClick());
  ASSERT_EQ(fake->errors.size(), 1u);
  EXPECT_NE(fake->errors[0].find(taken), std::string::npos) << fake->errors[0];
  EXPECT_TRUE(doc->Modified);
  EXPECT_EQ(doc->Caption(), "old.bmp");
}

TEST_F(FailedSaveTest, AFailedSaveFromTheCloseQuestionsKeepsTheWindowAndStopsCloseAll) {
  PermissionBitsApply asAnyUser;
  if (!LockFolder()) GTEST_SKIP() << "this user writes into read-only folders";
  frame->CreateResultChild("other", test::MakeGradient(3, 3));

  // Close All visits the result first (No), then this window (Yes, the save fails).
  fake->closeAnswers = {CloseAnswer::No, CloseAnswer::Yes};
  frame->FileCloseAllItemClick();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(frame->ChildCount(), 1);
  EXPECT_EQ(frame->Documents()[0], doc);
  ExpectUnsaved(oldFile, "Close All");

  // The single close and Exit keep it too; Exit then does not ask to exit.
  fake->closeAnswers = {CloseAnswer::Yes, CloseAnswer::Yes};
  doc->File_CloseItemClick();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(frame->ChildCount(), 1);
  ExpectUnsaved(oldFile, "Close");
  frame->ToolButton("ExitToolBtn")->click();
  ASSERT_EQ(frame->ChildCount(), 1);
  ExpectUnsaved(oldFile, "Exit");
  EXPECT_EQ(fake->exitQuestions, 0);
  EXPECT_TRUE(frame->isVisible());
}

}  // namespace
}  // namespace tessalin
