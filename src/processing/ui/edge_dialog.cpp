#include "processing/ui/edge_dialog.h"

#include "processing/edge.h"
#include "widgets/command_registry.h"

namespace tessalin {

namespace {

EightChannelTexts EdgeTexts() {
  EightChannelTexts t;
  t.objectName = "Edge_Frm";
  t.caption = "Edge Detect Processing";
  t.status = "This is Edge detection Process.";
  t.kindLabel = "Edge Type";
  t.comboName = "Edge_CbBox";
  t.comboHint = "Select Edge Detect type";
  t.biasHint = "Select Edge Detect offset Value";
  t.applyHint = "ApplySelected Edge";
  t.closeName = "Close_Btn";
  t.closeHint = "Close Edge window";
  t.sourceHint = "This is Source Image for Edge Detect Process";
  t.rgbLabel = "RGB Model";
  t.hsiLabel = "HSI Model";
  t.kinds = QStringList{"Difference", "HomoGeneity"};
  return t;
}

}  // namespace

TEdge_Frm::TEdge_Frm(AppServices& app, RasterImage&& source)
    : EightChannelDialog(app, std::move(source), EdgeTexts()) {
  kindBox_->setCurrentIndex(App().State().EdgeKind);
  Bias_SpinE->SetValue(App().State().SharedBias);
  connect(kindBox_, &QComboBox::currentIndexChanged, this, &TEdge_Frm::Edge_CbBoxChange);
  connect(Bias_SpinE, &TSpinEdit::EnterPressed, this, Guarded([this] { Apply_BtnClick(); }));
  connect(Apply_Btn, &QPushButton::clicked, this, Guarded([this] { Apply_BtnClick(); }));
}

void TEdge_Frm::Edge_CbBoxChange(int index) {
  if (index < 0 || index > 1) return;
  App().State().EdgeKind = index;
  setWindowTitle(EdgeKindCaption(index));
}

void TEdge_Frm::Apply_BtnClick() {
  WaitCursor wait;
  const int kind = App().State().EdgeKind;
  const int bias = App().State().SharedBias;
  // The edge operators read the same bordered buffers as the convolution.
  ShowPreparedResults([kind, bias](const EdgeSource& prepared, int channel) {
    return EdgeChannel(prepared, kind, channel, bias);
  });
}

TEdge_Frm* OpenEdgeDialog(AppServices& app, const RasterImage* source, int tag) {
  RasterImage copy = Copy24(source);
  app.State().EdgeKind = tag;
  app.State().SharedBias = 0;
  auto* dialog = new TEdge_Frm(app, std::move(copy));
  dialog->show();
  return dialog;
}

namespace {
const AppCommandRegistration kEdgeCommand("edge", [](AppServices& app, const RasterImage* source, int tag) {
  OpenEdgeDialog(app, source, tag);
});
}  // namespace

}  // namespace tessalin
