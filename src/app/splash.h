// TSplash_Frm: the start-up picture, shown for 1.5 s with the frame disabled;
// when it closes the frame is enabled again and the wizard run starts once.
#pragma once

#include <QWidget>

#include "widgets/app_services.h"

class QLabel;
class QTimer;

namespace tessalin {

inline constexpr int kSplashMilliseconds = 1500;
inline constexpr int kSplashCornerEllipse = 30;

// The frame's Start_Img: the picture of the splash screen and the about box.
QPixmap StartPicture();

class TSplash_Frm : public QWidget {
  Q_OBJECT

 public:
  explicit TSplash_Frm(AppServices& app);

  QTimer* SplashTimer() const { return Splash_Timer; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Splash_TimerTimer();

  AppServices& app_;
  QLabel* Splash_Img = nullptr;
  QTimer* Splash_Timer = nullptr;
};

// The start-up sequence: about box made, splash shown, frame disabled,
// AutoWizard set, timer started. The splash frees itself when it closes.
TSplash_Frm* ShowSplash(AppServices& app);

}  // namespace tessalin
