#include "processing/ui/convolve_dialog.h"

#include "processing/convolve.h"
#include "widgets/command_registry.h"

namespace tessalin {

namespace {

EightChannelTexts ConvolveTexts() {
  EightChannelTexts t;
  t.objectName = "Convolve_Frm";
  t.caption = "Image Convolve Process for Sharpning, Blouring, Edge Detect";
  t.status = "Current windows  is Convolve Porcess.";
  t.kindLabel = "Conv Type";
  t.comboName = "Conv_CbBox";
  t.comboHint = "Select Convolving type";
  t.biasHint = "Select Convolving OffSet";
  t.applyHint = "Apply Selected Convolve";
  t.closeName = "Cose_Btn";
  t.closeHint = "Close Convolve window";
  t.sourceHint = "This is Source Image for Convolve Process";
  t.rgbLabel = "RGB Channel";
  t.hsiLabel = "HSI Channel";
  for (int kind = 0; kind < kConvolveKindCount; ++kind) t.kinds << ConvolveKindName(kind);
  return t;
}

}  // namespace

TConvolve_Frm::TConvolve_Frm(AppServices& app, RasterImage&& source)
    : EightChannelDialog(app, std::move(source), ConvolveTexts()) {
  // The change handler is connected afterwards, so the caption stays the window's own.
  kindBox_->setCurrentIndex(App().State().ConvolveKind);
  Bias_SpinE->SetValue(App().State().SharedBias);
  connect(kindBox_, &QComboBox::currentIndexChanged, this, &TConvolve_Frm::ImgClear);
  connect(Bias_SpinE, &TSpinEdit::EnterPressed, this, Guarded([this] { Apply_BtnClick(); }));
  connect(Apply_Btn, &QPushButton::clicked, this, Guarded([this] { Apply_BtnClick(); }));
}

void TConvolve_Frm::ImgClear(int index) {
  if (index < 0 || index >= kConvolveKindCount) return;
  App().State().ConvolveKind = index;
  setWindowTitle(ConvolveKindCaption(index));
  // Embossing sits around mid-grey.
  if (index == 5) Bias_SpinE->SetValue(128);
}

void TConvolve_Frm::Apply_BtnClick() {
  WaitCursor wait;
  const int kind = App().State().ConvolveKind;
  const int bias = App().State().SharedBias;
  ShowPreparedResults([kind, bias](const ConvolveSource& prepared, int channel) {
    return ConvolveChannel(prepared, channel, kind, bias);
  });
}

TConvolve_Frm* OpenConvolveDialog(AppServices& app, const RasterImage* source, int tag) {
  RasterImage copy = Copy24(source);
  app.State().ConvolveKind = tag;
  app.State().SharedBias = 0;
  auto* dialog = new TConvolve_Frm(app, std::move(copy));
  dialog->show();
  return dialog;
}

namespace {
const AppCommandRegistration kConvolveCommand("convolve",
                                              [](AppServices& app, const RasterImage* source, int tag) {
                                                OpenConvolveDialog(app, source, tag);
                                              });
}  // namespace

}  // namespace tessalin
