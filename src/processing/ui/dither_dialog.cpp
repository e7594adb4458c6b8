#include "processing/ui/dither_dialog.h"

#include <QFrame>
#include <algorithm>

#include "processing/dither.h"
#include "widgets/command_registry.h"

namespace tessalin {

namespace {
// The option row sits under the top bar and moves everything below it down.
constexpr int kOptionRowHeight = 30;
}  // namespace

TDither_Frm::TDither_Frm(AppServices& app, RasterImage&& source, bool furtherMethods)
    : ProcessingDialog(app, "Dither_Frm", "Image Dithering Process", 440,
                       435 + (furtherMethods ? kOptionRowHeight : 0)) {
  const int dy = furtherMethods ? kOptionRowHeight : 0;
  SetHint(this, "Double Click to Export");
  auto* topBar = new QFrame(this);
  topBar->setGeometry(0, 0, 440, 37);
  topBar->setFrameShape(QFrame::StyledPanel);

  AddLabel(this, "Dither Type", 2, 9, QColor(), 56);
  Dither_CbBox = new QComboBox(this);
  Dither_CbBox->setObjectName("Dither_CbBox");
  Dither_CbBox->addItems(
      {"Clusterd Dot", "Clusterd Dot2", "Floyd&Steinberg", "Jarvis&judice&Ninke", "Stucki", "Custom"});
  if (furtherMethods)
    Dither_CbBox->addItems(
        {"Atkinson", "Burkes", "Sierra", "Sierra Two-Row", "Sierra Lite", "Bayer 8x8", "Blue Noise"});
  Dither_CbBox->setGeometry(59, 6, 108, 22);
  SetHint(Dither_CbBox, "Select Dithering type");
  AddLabel(this, "Threshold", 169, 9, QColor(), 50);
  Bias_SpinE = new TSpinEdit(-255, 255, 4, this);
  Bias_SpinE->setObjectName("Bias_SpinE");
  Bias_SpinE->setGeometry(220, 6, 49, 22);
  SetHint(Bias_SpinE, "Select Dithering threshold Value");
  Apply_Btn = new QPushButton("&Apply", this);
  Apply_Btn->setObjectName("Apply_Btn");
  Apply_Btn->setGeometry(276, 6, 73, 22);
  Apply_Btn->setDefault(true);
  SetHint(Apply_Btn, "Apply Selected Dithering");
  Close_Btn = new QPushButton("&Close", this);
  Close_Btn->setObjectName("Close_Btn");
  Close_Btn->setGeometry(356, 6, 73, 22);
  SetHint(Close_Btn, "Close Dithering window");

  if (furtherMethods) {
    auto* optionBar = new QFrame(this);
    optionBar->setGeometry(0, 37, 440, kOptionRowHeight);
    optionBar->setFrameShape(QFrame::StyledPanel);
    AddLabel(this, "Strength", 2, 45, QColor(), 56);
    Strength_SpinE = new TSpinEdit(0, 100, 5, this);
    Strength_SpinE->setObjectName("Strength_SpinE");
    Strength_SpinE->setGeometry(59, 41, 49, 22);
    Strength_SpinE->SetValue(100);
    SetHint(Strength_SpinE, "Share of the error carried to the neighbours, in %");
    AddLabel(this, "%", 111, 45);
    Linear_ChkBox = new QCheckBox("&Linear light", this);
    Linear_ChkBox->setObjectName("Linear_ChkBox");
    Linear_ChkBox->setGeometry(169, 41, 120, 22);
    SetHint(Linear_ChkBox, "Carry the error in linear light, as the eye adds light");
  }

  R_Img = AddPreview("R_Img", "Channel Applied Image for Channel1(2xClick for Exporting)", 10, 56 + dy, 130,
                     130, "Channel 1", 38, 41 + dy);
  G_Img = AddPreview("G_Img", "Channel Applied Image for Channel2(2xClick for Exporting)", 294, 56 + dy, 130,
                     130, "Channel 2", 322, 41 + dy);
  Src_Img = AddPreview("Src_Img", "This is Dithering Source Image", 152, 164 + dy, 130, 130, "Source Model",
                       177, 148 + dy);
  B_Img = AddPreview("B_Img", "Channel Applied Image for Channel3(2xClick for Exporting)", 10, 280 + dy, 130,
                     130, "Channel 3", 38, 265 + dy);
  I_Img = AddPreview("I_Img", "Channel Applied Image for Channel4(2xClick for Exporting)", 294, 280 + dy, 130,
                     130, "Channel 4", 322, 265 + dy);
  AddStatusBar(QString());
  Src_Img->SetPicture(std::move(source));

  // FormCreate: the current kind selected without running the change handler.
  Dither_CbBox->setCurrentIndex(App().State().DitherKind);
  Bias_SpinE->SetValue(App().State().SharedBias);
  EnableOptions(App().State().DitherKind);

  connect(Dither_CbBox, &QComboBox::currentIndexChanged, this, &TDither_Frm::Dither_CbBoxChange);
  connect(Bias_SpinE, &TSpinEdit::EnterPressed, this, Guarded([this] { Apply_BtnClick(); }));
  if (Strength_SpinE)
    connect(Strength_SpinE, &TSpinEdit::EnterPressed, this, Guarded([this] { Apply_BtnClick(); }));
  connect(Apply_Btn, &QPushButton::clicked, this, Guarded([this] { Apply_BtnClick(); }));
  connect(Close_Btn, &QPushButton::clicked, this, &QDialog::close);
  for (TScaleImage* preview : {R_Img, G_Img, B_Img, I_Img})
    connect(preview, &TScaleImage::DoubleClicked, this, Guarded([this, preview] { Export(preview->Picture()); }));
}

void TDither_Frm::showEvent(QShowEvent* event) {
  if (StyleFor(Src_Img->Picture(), Src_Img) == ssNormal) Src_Img->SetScaleStyle(ssNormal);
  ProcessingDialog::showEvent(event);
}

void TDither_Frm::Dither_CbBoxChange(int index) {
  App().State().DitherKind = index;
  // The ordered methods use no threshold.
  Bias_SpinE->setEnabled(!IsOrderedKind(index));
  EnableOptions(index);
}

void TDither_Frm::EnableOptions(int kind) {
  if (!Strength_SpinE) return;
  Strength_SpinE->setEnabled(IsErrorDiffusionKind(kind));
  Linear_ChkBox->setEnabled(IsErrorDiffusionKind(kind));
}

void TDither_Frm::Apply_BtnClick() {
  const int kind = Dither_CbBox->currentIndex();
  App().State().DitherKind = kind;
  App().State().DitherThreshold = Bias_SpinE->Value();
  WaitCursor wait;
  const RasterImage& source = Src_Img->Picture();
  DiffusionOptions options;
  if (Strength_SpinE) {
    // Typed values are not clamped while the field has the focus.
    options.strength = std::clamp(Strength_SpinE->Value(), 0, 100);
    options.linearLight = Linear_ChkBox->isChecked();
  }
  // With no method chosen (-1) a plain threshold, as the wide-kernel engine makes it.
  DitherResults results = DitherByKind(source, kind, App().State().DitherThreshold, options);
  const TScaleStyle style = StyleFor(results[0], R_Img);
  TScaleImage* previews[4] = {R_Img, G_Img, B_Img, I_Img};
  for (int i = 0; i < 4; ++i) {
    previews[i]->SetPicture(std::move(results[i]));
    previews[i]->SetScaleStyle(style);
  }
}

TDither_Frm* OpenDitherDialog(AppServices& app, const RasterImage* source, int tag) {
  RasterImage copy = Copy24(source);
  app.State().DitherKind = tag;
  app.State().SharedBias = 128;
  auto* dialog = new TDither_Frm(app, std::move(copy), tag >= kFirstFurtherDitherKind);
  dialog->show();
  return dialog;
}

namespace {
const AppCommandRegistration kDitherCommand("dither", [](AppServices& app, const RasterImage* source,
                                                         int tag) { OpenDitherDialog(app, source, tag); });
}  // namespace

}  // namespace tessalin
