// TRotate_Frm: a live preview of a picture turned by any whole number of degrees.
#pragma once

#include <QCheckBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>

#include "widgets/picture_label.h"
#include "widgets/processing_dialog.h"

namespace tessalin {

class TRotate_Frm : public ProcessingDialog {
  Q_OBJECT

 public:
  TRotate_Frm(AppServices& app, RasterImage&& source);

  void Degree_TrBarChange();
  void Ok_BitBtnClick();
  void Src_ImgDblClick();

 private:
  QScrollArea* scrollBox_;
  PictureLabel* Src_Img;
  QSlider* Degree_TrBar;
  QCheckBox* Fit_ChkBox;
  QPushButton* Ok_BitBtn;
  QPushButton* Close_BitBtn;
  RasterImage kept_;
};

// Tag 1 opens the dialog; tag 0 turns a quarter clockwise into a new window (nullptr).
TRotate_Frm* OpenRotateDialog(AppServices& app, const RasterImage* source, int tag);

}  // namespace tessalin
