// TRawInfo_Dlg_Frm: asks for the height, width and bits per pixel of a
// headerless ".raw" file, proposes a square guess from its size, checks the
// entries against the size and reads the picture.
#pragma once

#include <QDialog>
#include <exception>
#include <string>

#include "core/raster_image.h"
#include "core/user_prompts.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tessalin {

class TRawInfo_Dlg_Frm : public QDialog {
  Q_OBJECT

 public:
  // Refusals and the smaller-than-file question go through `prompts`.
  explicit TRawInfo_Dlg_Frm(UserPrompts& prompts, QWidget* parent = nullptr);

  // Fills the labels and proposes the dimensions; throws TessalinError when
  // the file's size cannot be read.
  void SetRawFile(const std::string& fileName);

  // The imported picture after the dialog closed with OK.
  RasterImage TakeResult() { return std::move(result_); }
  // A read failure ends the dialog; the caller rethrows it after exec().
  void RethrowError();

 public slots:
  void Swap_BtnClick();
  void Open_BtnClick();
  void Cancel_BtnClick();

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow

 private:
  UserPrompts& prompts_;
  std::string rawFile_;
  int64_t fileSize_ = 0;
  RasterImage result_;
  std::exception_ptr error_;

  QLabel* fileSizeLbl_;
  QLabel* fileNameLbl_;
  QLineEdit* heightEdit_;
  QLineEdit* widthEdit_;
  QButtonGroup* pfBitGroup_;
};

}  // namespace tessalin
