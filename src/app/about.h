// TAbout_Frm: the about box over the start picture. One instance for the
// program's life, shown modally on demand.
#pragma once

#include <QDialog>

#include "widgets/app_services.h"

class QLabel;

namespace tessalin {

inline constexpr char kProductText[] = "Tessalin of Velkora";
inline constexpr char kVersionText[] = "Beta 1.0";
inline constexpr char kRightsText[] = "\u00a9 2026 Velkora. All rights reserved.";
inline constexpr char kVisitText[] = "Visit Velkora";

class TAbout_Frm : public QDialog {
  Q_OBJECT

 public:
  explicit TAbout_Frm(AppServices& app, QWidget* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Label1Click();

  AppServices& app_;
  QLabel* About_Img = nullptr;
  QLabel* Label1 = nullptr;
};

// The program's about box, made on first use with the frame as parent.
TAbout_Frm& AboutBox(AppServices& app);

}  // namespace tessalin
