// The values the program keeps process-wide. One object, owned by the program
// (the frame, or a command-line run); engines receive the values as arguments.
#pragma once

namespace tessalin {

struct WizardSettings {
  int WMode = 0;       // 0 One Click, 1 Detail
  int SrcType = 0;     // 0 picture, 1 drawing, 2 icon
  int ScaleType = 1;   // the scale page's tag
  int ResultType = 0;  // 0 simple, 1 various
};

struct SharedState {
  int SharedBias = 64;  // offset shared by convolution, edges and the dither dialog
  int ConvolveKind = 0;
  int EdgeKind = 0;
  int DitherKind = 0;
  int DitherThreshold = 0;
  WizardSettings wizard;
  bool WizardOpenFlag = false;  // read by the next GIF load only, cleared after every load
};

}  // namespace tessalin
