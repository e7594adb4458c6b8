#include "app/splash.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainterPath>
#include <QPixmap>
#include <QRegion>
#include <QScreen>
#include <QTimer>

#include "app/about.h"
#include "widgets/command_registry.h"

namespace tessalin {

namespace {

// Set at start-up, cleared by the splash's close: the automatic wizard runs once.
bool AutoWizard = false;

void CentreOnScreen(QWidget* widget) {
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    widget->move(screen->availableGeometry().center() - widget->rect().center());
}

}  // namespace

QPixmap StartPicture() { return QPixmap(QStringLiteral(":/tessalin/start.png")); }

TSplash_Frm::TSplash_Frm(AppServices& app)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), app_(app) {
  setObjectName(QStringLiteral("Splash_Frm"));
  setAttribute(Qt::WA_DeleteOnClose);
  Splash_Img = new QLabel(this);
  Splash_Img->setObjectName(QStringLiteral("Splash_Img"));
  const QPixmap picture = StartPicture();
  Splash_Img->setPixmap(picture);
  Splash_Img->setGeometry(0, 0, picture.width(), picture.height());
  setFixedSize(picture.size());
  CentreOnScreen(this);

  Splash_Timer = new QTimer(this);
  Splash_Timer->setObjectName(QStringLiteral("Splash_Timer"));
  Splash_Timer->setInterval(kSplashMilliseconds);
  Splash_Timer->setSingleShot(false);
  connect(Splash_Timer, &QTimer::timeout, this, &TSplash_Frm::Splash_TimerTimer);
}

void TSplash_Frm::showEvent(QShowEvent* event) {
  QPainterPath path;
  path.addRoundedRect(QRectF(rect()), kSplashCornerEllipse / 2.0, kSplashCornerEllipse / 2.0);
  setMask(QRegion(path.toFillPolygon().toPolygon()));
  QWidget::showEvent(event);
  update();
}

void TSplash_Frm::Splash_TimerTimer() {
  if (!Splash_Timer->isActive()) return;
  Splash_Timer->stop();
  close();
}

void TSplash_Frm::closeEvent(QCloseEvent* event) {
  hide();
  QWidget* frame = app_.FrameWidget();
  if (frame) frame->setEnabled(true);
  if (AutoWizard) {
    AutoWizard = false;
    // Started from the event loop rather than inside this close, so the
    // wizard's modal loop does not run while the splash is being torn down.
    AppServices* app = &app_;
    QObject* context = frame ? static_cast<QObject*>(frame) : static_cast<QObject*>(QCoreApplication::instance());
    QTimer::singleShot(0, context, [app] {
      if (const AppCommand* wizard = FindAppCommand("wizard")) (*wizard)(*app, nullptr, 0);
    });
  }
  event->accept();
}

TSplash_Frm* ShowSplash(AppServices& app) {
  auto* splash = new TSplash_Frm(app);
  AboutBox(app);  // created with the frame and the splash, shown on demand
  splash->show();
  if (QWidget* frame = app.FrameWidget()) frame->setEnabled(false);
  splash->repaint();
  AutoWizard = true;
  splash->SplashTimer()->start();
  return splash;
}

namespace {
const AppCommandRegistration kSplashCommand("splash",
                                            [](AppServices& app, const RasterImage*, int) { ShowSplash(app); });
}  // namespace

}  // namespace tessalin
