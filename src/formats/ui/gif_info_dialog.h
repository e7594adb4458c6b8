// TGifInfo_Dlg_Frm: plays an animated GIF, lists its frames with check boxes,
// previews the selected frame on the logical screen and exports every checked
// frame, at its own size, as a result window.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "core/raster_image.h"
#include "core/result_sink.h"
#include "core/user_prompts.h"
#include "formats/gif_codec.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QMovie;
class QProgressBar;
class QScrollArea;
class QWidget;

namespace tessalin {

class TGifInfo_Dlg_Frm : public QDialog {
  Q_OBJECT

 public:
  TGifInfo_Dlg_Frm(ResultSink& results, UserPrompts& prompts, QWidget* parent = nullptr);
  ~TGifInfo_Dlg_Frm() override;

  // Decodes the file and fills the dialog; throws TessalinError (the dialog
  // keeps what it showed before) when the file cannot be decoded.
  void LoadGifFrames(const std::string& fileName);

  // ReOpen's file dialog: given the folder and the proposed name, the chosen
  // path or an empty string. Replaceable for tests.
  std::function<QString(const QString& dir, const QString& proposedName)> chooseGifFile;

  const std::string& GifFileName() const { return gifFileName_; }
  // The preview as drawn: the logical screen with the selected frame placed on it.
  const RasterImage& PreviewRaster() const { return preview_; }

  enum class LoadStage { Start, Running, End };
  void GifLoadProgress(LoadStage stage, int percent);

 public slots:
  void GifSubImg_ChkBoxClick();
  void GifSubImg_ChkBoxDblClick();
  void ChkBox_PopUp(int tag);
  void Export_BitBtnClick();
  void Close_BitBtnClick();
  void ReOpen_BitBtnClick();

 protected:
  void closeEvent(QCloseEvent* event) override;  // FormClose
  void reject() override;                         // the modal result is always OK

 private:
  void ShowFrame(int index);
  void FitListFont();
  void PlaceImages();
  QString DefaultChooseGifFile(const QString& dir, const QString& proposedName);

  ResultSink& results_;
  UserPrompts& prompts_;
  std::unique_ptr<DecodedGif> gif_;
  std::string gifFileName_;
  RasterImage preview_;

  QScrollArea* leftScroll_;
  QWidget* leftContent_;
  QLabel* label1_;
  QLabel* aniGifImg_;
  QMovie* movie_ = nullptr;
  QListWidget* list_;
  QScrollArea* rightScroll_;
  QWidget* rightContent_;
  QLabel* label2_;
  QLabel* gifSubImg_;
  QCheckBox* transChk_;
  QProgressBar* progress_;
  QMenu* popup_;
};

}  // namespace tessalin
