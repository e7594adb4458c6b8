// The desktop program: one instance at a time, the frame, the message loop.
#include <QApplication>

#include "app/main_frame.h"
#include "app/single_instance.h"

int main(int argc, char* argv[]) {
  // Before anything else: a second start ends at once, silently.
  tessalin::SingleInstanceGuard guard;
  if (!guard.Acquire(tessalin::SingleInstanceLockPath("SharedExists"))) return 0;

  QApplication app(argc, argv);
  QApplication::setApplicationName("Velkora");
  tessalin::InstallHintStyle();
  tessalin::SetHintPause(20);

  tessalin::TMain_Frm frame;
  frame.StartUp();
  return app.exec();
}
