// TEdge_Frm: the Difference and HomoGeneity edge operators on a copy of a
// document's picture, all eight output channels at once.
#pragma once

#include "processing/ui/eight_channel_dialog.h"

namespace tessalin {

class TEdge_Frm : public EightChannelDialog {
  Q_OBJECT

 public:
  // Reads the current edge kind and SharedBias.
  TEdge_Frm(AppServices& app, RasterImage&& source);

  void Edge_CbBoxChange(int index);
  void Apply_BtnClick();
};

// The document's Edge command: the kind from the menu tag, SharedBias 0.
TEdge_Frm* OpenEdgeDialog(AppServices& app, const RasterImage* source, int tag);

}  // namespace tessalin
