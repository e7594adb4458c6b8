// The layout the convolution and edge dialogs share: a top bar with a kind
// combo box, an offset spin edit, Apply and Close, the source with the RGB and
// HSI results above, and the six single-channel results below.
#pragma once

#include <QComboBox>
#include <QPushButton>
#include <array>
#include <functional>
#include <memory>

#include "processing/convolve.h"
#include "widgets/processing_dialog.h"
#include "widgets/spin_controls.h"

namespace tessalin {

struct EightChannelTexts {
  QString objectName, caption, status, kindLabel, comboName, comboHint, biasHint, applyHint, closeName,
      closeHint;
  QString sourceHint, rgbLabel, hsiLabel;
  QStringList kinds;
};

class EightChannelDialog : public ProcessingDialog {
  Q_OBJECT

 public:
  EightChannelDialog(AppServices& app, RasterImage&& source, const EightChannelTexts& texts);

  // The eight results of one picture (the source, or a neighbourhood mosaic of it).
  using AllChannels = std::function<std::array<RasterImage, 8>(const RasterImage& picture)>;
  using OneChannel = std::function<RasterImage(const RasterImage& picture, int channel)>;

  // Fills the eight previews in channel order. Results larger than the
  // previews are shown scaled, so only the pixels the previews sample are
  // computed now (through a mosaic of their neighbourhoods); the full
  // pictures are made when first read, from the same source, kind and bias.
  void ShowResults(const AllChannels& all, const OneChannel& one);

  // The same for an engine that reads the bordered working buffers: they are
  // prepared once per picture and `channel` makes each result from them.
  using PreparedChannel = std::function<RasterImage(const ConvolveSource& prepared, int channel)>;
  void ShowPreparedResults(const PreparedChannel& channel);

 protected:
  void showEvent(QShowEvent* event) override;

  QComboBox* kindBox_;
  TSpinEdit* Bias_SpinE;
  QPushButton* Apply_Btn;
  QPushButton* closeButton_;
  TScaleImage* Src_Img;
  std::shared_ptr<const RasterImage> source_;  // Src_Img's picture, shared with pending results
  // R, G, B, RGB, H, S, I, HSI: the OutputChannel order.
  std::array<TScaleImage*, 8> results_{};
};

}  // namespace tessalin
