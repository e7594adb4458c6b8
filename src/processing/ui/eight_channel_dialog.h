// The layout the convolution and edge dialogs share: a top bar with a kind
// combo box, an offset spin edit, Apply and Close, the source with the RGB and
// HSI results above, and the six single-channel results below.
#pragma once

#include <QComboBox>
#include <QPushButton>
#include <array>
#include <functional>

#include "processing/ui/dialog_common.h"

namespace tessalin {

struct EightChannelTexts {
  QString objectName, caption, status, kindLabel, comboName, comboHint, biasHint, applyHint, closeName, closeHint;
  QString sourceHint, rgbLabel, hsiLabel;
  QStringList kinds;
};

class EightChannelDialog : public ProcessingDialog {
  Q_OBJECT

 public:
  EightChannelDialog(AppServices& app, RasterImage&& source, const EightChannelTexts& texts);

  // Runs `channelResult` for channels 0 .. 7 into the previews in channel order.
  void ShowResults(const std::function<RasterImage(int channel)>& channelResult, int styleChannel);

 protected:
  void showEvent(QShowEvent* event) override;

  QComboBox* kindBox_;
  TSpinEdit* Bias_SpinE;
  QPushButton* Apply_Btn;
  QPushButton* closeButton_;
  TScaleImage* Src_Img;
  // R, G, B, RGB, H, S, I, HSI: the OutputChannel order.
  std::array<TScaleImage*, 8> results_{};
};

}  // namespace tessalin
