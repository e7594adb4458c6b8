#include "processing/ui/dither_dialog.h"

#include <QFrame>

#include "processing/dither.h"
#include "widgets/command_registry.h"

namespace tessalin {

TDither_Frm::TDither_Frm(AppServices& app, RasterImage&& source)
    : ProcessingDialog(app, "Dither_Frm", "Image Dithering Process", 440, 435) {
  SetHint(this, "Double Click to Export");
  auto* topBar = new QFrame(this);
  topBar->setGeometry(0, 0, 440, 37);
  topBar->setFrameShape(QFrame::StyledPanel);

  AddLabel(this, "Dither Type", 2, 9, QColor(), 56);
  Dither_CbBox = new QComboBox(this);
  Dither_CbBox->setObjectName("Dither_CbBox");
  Dither_CbBox->addItems(
      {"Clusterd Dot", "Clusterd Dot2", "Floyd&Steinberg", "Jarvis&judice&Ninke", "Stucki", "Custom"});
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

  R_Img = AddPreview("R_Img", "Channel Applied Image for Channel1(2xClick for Exporting)", 10, 56, 130, 130,
                     "Channel 1", 38, 41);
  G_Img = AddPreview("G_Img", "Channel Applied Image for Channel2(2xClick for Exporting)", 294, 56, 130, 130,
                     "Channel 2", 322, 41);
  Src_Img =
      AddPreview("Src_Img", "This is Dithering Source Image", 152, 164, 130, 130, "Source Model", 177, 148);
  B_Img = AddPreview("B_Img", "Channel Applied Image for Channel3(2xClick for Exporting)", 10, 280, 130, 130,
                     "Channel 3", 38, 265);
  I_Img = AddPreview("I_Img", "Channel Applied Image for Channel4(2xClick for Exporting)", 294, 280, 130, 130,
                     "Channel 4", 322, 265);
  AddStatusBar(QString());
  Src_Img->SetPicture(std::move(source));

  // FormCreate: the current kind selected without running the change handler.
  Dither_CbBox->setCurrentIndex(App().State().DitherKind);
  Bias_SpinE->SetValue(App().State().SharedBias);

  connect(Dither_CbBox, &QComboBox::currentIndexChanged, this, &TDither_Frm::Dither_CbBoxChange);
  connect(Bias_SpinE, &TSpinEdit::EnterPressed, this, Guarded([this] { Apply_BtnClick(); }));
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
  Bias_SpinE->setEnabled(index != 0 && index != 1);
}

void TDither_Frm::Apply_BtnClick() {
  const int kind = Dither_CbBox->currentIndex();
  App().State().DitherKind = kind;
  App().State().DitherThreshold = Bias_SpinE->Value();
  WaitCursor wait;
  const RasterImage& source = Src_Img->Picture();
  const int threshold = App().State().DitherThreshold;
  DitherResults results;
  if (kind == 0 || kind == 1)
    results = OrderedDither(source, kind);
  else if (kind == 2)
    results = FloydSteinbergDither(source, threshold);
  else if (kind == 5)
    results = CustomThresholdDither(source, threshold);
  else
    results = WideKernelDither(source, threshold, App().State().DitherKind);
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
  auto* dialog = new TDither_Frm(app, std::move(copy));
  dialog->show();
  return dialog;
}

namespace {
const AppCommandRegistration kDitherCommand("dither", [](AppServices& app, const RasterImage* source,
                                                         int tag) { OpenDitherDialog(app, source, tag); });
}  // namespace

}  // namespace tessalin
