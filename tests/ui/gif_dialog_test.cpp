// TGifInfo_Dlg_Frm: the frame list, the preview on the logical screen, the
// pop-up menu, export names and sizes, and ReOpen.
#include <gtest/gtest.h>
#include <gif_lib.h>

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

#include "formats/ui/gif_info_dialog.h"
#include "support/test_pictures.h"
#include "ui/frame_test_support.h"
#include "ui/wizard_fake_app.h"

namespace tessalin {
namespace {

struct TestFrame {
  int left, top, width, height;
  uint8_t index;  // every pixel of the frame
};

// Writes a GIF with a four-colour global table (black, red, green, blue).
void WriteGif(const std::string& path, int screenW, int screenH, const std::vector<TestFrame>& frames) {
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  ASSERT_NE(gif, nullptr);
  GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  ColorMapObject* map = GifMakeMapObject(4, colours);
  EGifSetGifVersion(gif, true);
  ASSERT_EQ(EGifPutScreenDesc(gif, screenW, screenH, 2, 0, map), GIF_OK);
  for (const TestFrame& f : frames) {
    GifByteType control[4] = {0, 10, 0, 0};  // no disposal, 0.1 s, no transparency
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
    ASSERT_EQ(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, false, nullptr), GIF_OK);
    std::vector<GifPixelType> line(static_cast<size_t>(f.width), f.index);
    for (int y = 0; y < f.height; ++y) ASSERT_EQ(EGifPutLine(gif, line.data(), f.width), GIF_OK);
  }
  GifFreeMapObject(map);
  EGifCloseFile(gif, &error);
}

class GifDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.File("anim.gif");
    WriteGif(path, 6, 5, {{0, 0, 6, 5, 1}, {1, 1, 2, 3, 2}, {3, 2, 3, 3, 3}});
    dialog.LoadGifFrames(path);
  }
  QListWidget* List() { return dialog.findChild<QListWidget*>("GifSubImg_ChkBox"); }
  QString Label2() { return dialog.findChild<QLabel*>("Label2")->text(); }
  void Check(int row, bool on = true) { List()->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked); }
  bool Checked(int row) { return List()->item(row)->checkState() == Qt::Checked; }
  void Popup(const char* name) { dialog.findChild<QMenu*>("CkBox_Popup")->findChild<QAction*>(name)->trigger(); }

  test::TempDir dir;
  std::string path;
  test::FakeFramePrompts prompts;
  test::RecordingSink sink;
  TGifInfo_Dlg_Frm dialog{sink, prompts};
};

TEST_F(GifDialogTest, ListsOneUncheckedLinePerFrameAndFollowsTheSelection) {
  EXPECT_EQ(dialog.windowTitle(), "Gif SubImage Selection");
  ASSERT_EQ(List()->count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(List()->item(i)->text(), QString("SubImage[%1]").arg(i));
    EXPECT_FALSE(Checked(i));
  }
  EXPECT_EQ(Label2(), "Current GifSubImage(1/3)");
  List()->setCurrentRow(2);
  EXPECT_EQ(Label2(), "Current GifSubImage(3/3)");
}

// The centre list is narrow: whatever the number of frames, every line shows
// whole, beside the scroll bar, and the progress bar moves with every frame.
TEST_F(GifDialogTest, EveryLineShowsWholeAndLoadingReportsEachFrame) {
  // 120 frames of a small file move the bar by less than a percent each.
  for (const auto [frames, everyStepShows] : {std::pair{3, true}, {12, true}, {120, false}}) {
    const std::string many = dir.File("many.gif");
    WriteGif(many, 4, 4, std::vector<TestFrame>(static_cast<size_t>(frames), TestFrame{0, 0, 4, 4, 1}));
    TGifInfo_Dlg_Frm other(sink, prompts);
    std::vector<int> progress;
    QObject::connect(other.findChild<QProgressBar*>("ProgressBar"), &QProgressBar::valueChanged,
                     [&](int value) { progress.push_back(value); });
    other.LoadGifFrames(many);
    ASSERT_GE(progress.size(), 2u);
    if (everyStepShows) EXPECT_EQ(progress.size(), static_cast<size_t>(frames) + 1);
    for (size_t i = 1; i + 1 < progress.size(); ++i) EXPECT_GT(progress[i], progress[i - 1]) << frames;
    // The last frame ends the file but for its trailer.
    EXPECT_GE(progress[progress.size() - 2], 90);
    EXPECT_LE(progress[progress.size() - 2], 100);
    EXPECT_EQ(progress.back(), 0);  // the end stage

    other.show();
    QCoreApplication::processEvents();
    auto* list = other.findChild<QListWidget*>("GifSubImg_ChkBox");
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0) << frames;
    EXPECT_LE(list->sizeHintForColumn(0), list->viewport()->width()) << frames;
    EXPECT_EQ(list->item(frames - 1)->text(), QString("SubImage[%1]").arg(frames - 1));
    other.close();
  }
}

TEST_F(GifDialogTest, ReOpenAsksThroughAPicturePreviewDialogForGifs) {
  QString title, filter;
  bool preview = false;
  test::WhenShown<QFileDialog>([&](QFileDialog& files) {
    EXPECT_EQ(files.objectName(), "ReOpen_ImgDlg");
    title = files.windowTitle();
    filter = files.nameFilters().join("|");
    auto* image = files.findChild<QLabel*>("Preview_Img");
    if (image) {
      emit files.currentChanged(QString::fromStdString(path));
      preview = !image->pixmap().isNull();
    }
    files.reject();
  });
  dialog.findChild<QPushButton*>("ReOpen_BitBtn")->click();
  EXPECT_EQ(title, "Select Only Gif-Format....");
  EXPECT_EQ(filter, "GIF-Format (*.gif)");
  EXPECT_TRUE(preview);
  EXPECT_EQ(List()->count(), 3);  // cancelled: the GIF stays
}

TEST_F(GifDialogTest, SmallFrameIsPreviewedInPlaceOnAWhiteScreen) {
  List()->setCurrentRow(1);  // 2 x 3 green at (1, 1)
  const RasterImage& preview = dialog.PreviewRaster();
  ASSERT_EQ(preview.Width(), 6);
  ASSERT_EQ(preview.Height(), 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool inside = x >= 1 && x < 3 && y >= 1 && y < 4;
      EXPECT_EQ(preview.GetPixel(x, y), inside ? MakeColor(0, 255, 0) : kWhite) << x << "," << y;
    }
  // The transparency box redraws the preview too.
  dialog.findChild<QCheckBox*>("Trans_ChkBox")->click();
  EXPECT_EQ(dialog.PreviewRaster().GetPixel(1, 1), MakeColor(0, 255, 0));
}

TEST_F(GifDialogTest, PopupMenuChecksUnchecksAndInverts) {
  Check(1);
  Popup("SelectInverse_Item");
  EXPECT_TRUE(Checked(0));
  EXPECT_FALSE(Checked(1));
  EXPECT_TRUE(Checked(2));
  Popup("UnSelectAll_Item");
  EXPECT_FALSE(Checked(0) || Checked(1) || Checked(2));
  Popup("SelectAll_Item");
  EXPECT_TRUE(Checked(0) && Checked(1) && Checked(2));
  // A double-click toggles the selected line.
  List()->setCurrentRow(1);
  dialog.GifSubImg_ChkBoxDblClick();
  EXPECT_FALSE(Checked(1));
}

TEST_F(GifDialogTest, OkExportsCheckedFramesAtTheirOwnSize) {
  Check(0);
  Check(2);
  dialog.findChild<QPushButton*>("Export_BitBtn")->click();
  ASSERT_EQ(sink.results.size(), 2u);
  EXPECT_EQ(sink.results[0].first, "anim.gif[0]");
  EXPECT_EQ(sink.results[1].first, "anim.gif[2]");
  EXPECT_EQ(sink.results[0].second.Width(), 6);
  EXPECT_EQ(sink.results[1].second.Width(), 3);
  EXPECT_EQ(sink.results[1].second.Height(), 3);
  EXPECT_EQ(sink.results[1].second.GetPixel(0, 0), MakeColor(0, 0, 255));
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(GifDialogTest, CloseAndTheCloseBoxExportNothing) {
  Check(1);
  dialog.findChild<QPushButton*>("Close_BitBtn")->click();
  EXPECT_TRUE(sink.results.empty());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);

  TGifInfo_Dlg_Frm other(sink, prompts);
  other.LoadGifFrames(path);
  other.findChild<QListWidget*>("GifSubImg_ChkBox")->item(0)->setCheckState(Qt::Checked);
  other.show();
  other.close();
  EXPECT_TRUE(sink.results.empty());
}

TEST_F(GifDialogTest, ReOpenInsistsOnAGifAndReplacesTheList) {
  Check(0);
  std::vector<QString> offered;
  std::deque<QString> answers = {QString::fromStdString(dir.File("x.bmp")), QString()};
  dialog.chooseGifFile = [&](const QString& folder, const QString& name) {
    offered.push_back(folder + "|" + name);
    QString answer = answers.front();
    answers.pop_front();
    return answer;
  };
  dialog.findChild<QPushButton*>("ReOpen_BitBtn")->click();
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0], "Just Select Gif-Format");
  ASSERT_EQ(offered.size(), 2u);  // the dialog came back, then was cancelled
  EXPECT_EQ(offered[0], QString::fromStdString(dir.Path()) + "|anim.gif");
  EXPECT_EQ(List()->count(), 3);  // the current GIF stays
  EXPECT_TRUE(Checked(0));

  const std::string second = dir.File("two.gif");
  WriteGif(second, 4, 4, {{0, 0, 4, 4, 2}, {0, 0, 2, 2, 1}});
  answers = {QString::fromStdString(second)};
  dialog.findChild<QPushButton*>("ReOpen_BitBtn")->click();
  ASSERT_EQ(List()->count(), 2);
  EXPECT_FALSE(Checked(0));  // check marks are lost
  EXPECT_EQ(Label2(), "Current GifSubImage(1/2)");
  EXPECT_EQ(dialog.GifFileName(), second);

  // A damaged GIF is reported and the dialog keeps what it had.
  test::WriteBytes(dir.File("bad.gif"), {'G', 'I', 'F', '8', '9', 'a', 1});
  answers = {QString::fromStdString(dir.File("bad.gif"))};
  dialog.findChild<QPushButton*>("ReOpen_BitBtn")->click();
  EXPECT_EQ(prompts.messages.size(), 2u);
  EXPECT_EQ(List()->count(), 2);
}

}  // namespace
}  // namespace tessalin
