// TChannel_Frm: a picture studied channel by channel. Six track bars correct
// the R, G, B, H, S and I values; six up-downs brighten or darken one
// single-channel image at a time.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "processing/channel.h"
#include "widgets/processing_dialog.h"
#include "widgets/spin_controls.h"

namespace tessalin {

class TChannel_Frm : public ProcessingDialog {
  Q_OBJECT

 public:
  TChannel_Frm(AppServices& app, RasterImage&& source);

  void Channel_TrBarChange(int tag);
  void Channel_Dis_BtnClick();
  void Channel_UpDownClick(int tag, int position);
  void ReSet_BtnClick();
  void ShowHint(const QString& hint) override;
  bool RoutesHints() const override { return true; }

  // The six track bar positions as applied amounts.
  ChannelOffsets AppliedValues() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The source in the RGB, HSI and six channel previews.
  void ShowAllChannels();
  // The six single-channel previews of what RGB_Img shows.
  void ShowDistribution();
  void RefreshPanels();
  void LayoutPanels();

  TScaleImage* Src_Img;
  TScaleImage* RGB_Img;
  TScaleImage* HSI_Img;
  std::array<TScaleImage*, 6> channelImages_{};  // R, G, B, H, S, I
  std::array<QSlider*, 6> trackBars_{};
  std::array<TUpDown*, 6> upDowns_{};
  QPushButton* Channel_Dis_Btn;
  QPushButton* ReSet_Btn;
  QPushButton* Close_Btn;
  QWidget* panelBar_;
  std::array<QLabel*, 7> panels_{};
  std::shared_ptr<const RasterImage> kept_;  // the source as shown first
  // Keeps the hue cosines between moves of the bars (shared with pending results).
  std::shared_ptr<ChannelCorrector> corrector_ = std::make_shared<ChannelCorrector>();
  // RGB_Img's picture, whole and as sampled pixels, also while it is not made yet.
  std::function<const RasterImage&()> rgbFull_;
  std::function<RasterImage(const std::vector<int>&, const std::vector<int>&)> rgbFace_;
  int W = 0, H = 0;
};

TChannel_Frm* OpenChannelDialog(AppServices& app, const RasterImage* source, int tag);

}  // namespace tessalin
