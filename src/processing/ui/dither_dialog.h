// TDither_Frm: the six dithering methods tried on a copy of a document's
// picture, the four channel results shown beside the source.
#pragma once

#include <QComboBox>
#include <QPushButton>

#include "widgets/processing_dialog.h"
#include "widgets/spin_controls.h"

namespace tessalin {

class TDither_Frm : public ProcessingDialog {
  Q_OBJECT

 public:
  // Reads the current dither kind and SharedBias; `source` becomes Src_Img's picture.
  TDither_Frm(AppServices& app, RasterImage&& source);

  void Dither_CbBoxChange(int index);
  void Apply_BtnClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QComboBox* Dither_CbBox;
  TSpinEdit* Bias_SpinE;
  QPushButton* Apply_Btn;
  QPushButton* Close_Btn;
  TScaleImage* Src_Img;
  TScaleImage* R_Img;
  TScaleImage* G_Img;
  TScaleImage* B_Img;
  TScaleImage* I_Img;
};

// The document's Dithering command: the kind from the menu tag, SharedBias 128.
TDither_Frm* OpenDitherDialog(AppServices& app, const RasterImage* source, int tag);

}  // namespace tessalin
