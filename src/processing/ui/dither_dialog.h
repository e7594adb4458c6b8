// TDither_Frm: the six dithering methods tried on a copy of a document's
// picture, the four channel results shown beside the source. Opened for the
// further methods it offers them after Custom, with a row for the options of
// error diffusion (strength, linear light).
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include "widgets/processing_dialog.h"
#include "widgets/spin_controls.h"

namespace tessalin {

class TDither_Frm : public ProcessingDialog {
  Q_OBJECT

 public:
  // Reads the current dither kind and SharedBias; `source` becomes Src_Img's picture.
  TDither_Frm(AppServices& app, RasterImage&& source, bool furtherMethods = false);

  void Dither_CbBoxChange(int index);
  void Apply_BtnClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The option row's controls are enabled for the error-diffusion kinds only.
  void EnableOptions(int kind);

  QComboBox* Dither_CbBox;
  TSpinEdit* Bias_SpinE;
  TSpinEdit* Strength_SpinE = nullptr;  // the option row, with the further methods only
  QCheckBox* Linear_ChkBox = nullptr;
  QPushButton* Apply_Btn;
  QPushButton* Close_Btn;
  TScaleImage* Src_Img;
  TScaleImage* R_Img;
  TScaleImage* G_Img;
  TScaleImage* B_Img;
  TScaleImage* I_Img;
};

// The document's Dithering command: the kind from the menu tag, SharedBias 128;
// "&More Methods..." has the first further kind's tag and opens the dialog
// with the further methods.
TDither_Frm* OpenDitherDialog(AppServices& app, const RasterImage* source, int tag);

}  // namespace tessalin
