// TScale_Frm: a live preview of a picture reduced or magnified by a percentage.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>

#include "widgets/picture_label.h"
#include "widgets/processing_dialog.h"

namespace tessalin {

class TScale_Frm : public ProcessingDialog {
  Q_OBJECT

 public:
  TScale_Frm(AppServices& app, RasterImage&& source);

  // Tag 0 the reduction bar, 1 the magnification bar.
  void Scale_TrBarChange(int tag);
  void Ok_BitBtnClick();
  void Src_ImgDblClick();

  // The factor the dialog uses for a percentage: 100 / p or p / 100 with three
  // significant digits.
  static double ReductionFactor(int percent);
  static double MagnificationFactor(int percent);

 private:
  QScrollArea* scrollBox_;
  PictureLabel* Src_Img;
  QLabel* Mini_Rate_Lbl;
  QSlider* Mini_TrBar;
  QLabel* Magni_Rate_Lbl;
  QSlider* Magni_trBar;
  QPushButton* Ok_BitBtn;
  QPushButton* Close_BitBtn;
  RasterImage kept_;
};

// Tag 0 opens the dialog; a percentage tag scales straight into a new window (nullptr).
TScale_Frm* OpenScaleDialog(AppServices& app, const RasterImage* source, int tag);

}  // namespace tessalin
