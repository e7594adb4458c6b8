// TConvolve_Frm: the convolution engine run on a copy of a document's picture,
// all eight output channels at once.
#pragma once

#include "processing/ui/eight_channel_dialog.h"

namespace tessalin {

class TConvolve_Frm : public EightChannelDialog {
  Q_OBJECT

 public:
  // Reads the current convolution kind and SharedBias.
  TConvolve_Frm(AppServices& app, RasterImage&& source);

  void ImgClear(int index);
  void Apply_BtnClick();
};

// The document's Convolve command: the kind from the menu tag, SharedBias 0.
TConvolve_Frm* OpenConvolveDialog(AppServices& app, const RasterImage* source, int tag);

}  // namespace tessalin
