#include "app/about.h"

#include <QEvent>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>

#include "app/splash.h"
#include "widgets/command_registry.h"

namespace tessalin {

namespace {

// The labels sit in the free lower right of the start picture.
constexpr int kCaptionLeft = 207;
constexpr int kValueLeft = 272;
constexpr int kFirstRow = 156;
constexpr int kRowHeight = 19;

QLabel* OverlayLabel(QWidget* parent, const QString& text, int x, int y, bool bold, const char* name = nullptr) {
  auto* label = new QLabel(text, parent);
  if (name) label->setObjectName(QString::fromLatin1(name));
  label->setAttribute(Qt::WA_TranslucentBackground);
  QFont font = label->font();
  font.setPointSize(9);
  font.setBold(bold);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, QColor(0xf1, 0xfa, 0xee));
  label->setPalette(palette);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);  // a click goes to the picture below
  label->move(x, y);
  label->adjustSize();
  return label;
}

}  // namespace

TAbout_Frm::TAbout_Frm(AppServices& app, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), app_(app) {
  setObjectName(QStringLiteral("About_Frm"));
  setWindowTitle(QStringLiteral("About"));
  setModal(true);

  About_Img = new QLabel(this);
  About_Img->setObjectName(QStringLiteral("About_Img"));
  const QPixmap picture = StartPicture();
  About_Img->setPixmap(picture);
  About_Img->setGeometry(0, 0, picture.width(), picture.height());
  About_Img->installEventFilter(this);
  setFixedSize(picture.size());

  OverlayLabel(this, QStringLiteral("Product"), kCaptionLeft, kFirstRow, true);
  OverlayLabel(this, QString::fromLatin1(kProductText), kValueLeft, kFirstRow, false, "Product_Lbl");
  OverlayLabel(this, QStringLiteral("Version"), kCaptionLeft, kFirstRow + kRowHeight, true);
  OverlayLabel(this, QString::fromLatin1(kVersionText), kValueLeft, kFirstRow + kRowHeight, false, "Version_Lbl");
  OverlayLabel(this, QStringLiteral("Rights"), kCaptionLeft, kFirstRow + 2 * kRowHeight, true);
  QLabel* rights =
      OverlayLabel(this, QString::fromUtf8(kRightsText), kValueLeft, kFirstRow + 2 * kRowHeight, false, "Rights_Lbl");
  rights->setWordWrap(true);
  rights->setFixedWidth(picture.width() - kValueLeft - 8);
  rights->adjustSize();

  Label1 = OverlayLabel(this, QString::fromLatin1(kVisitText), kCaptionLeft, rights->geometry().bottom() + 8, false,
                        "Label1");
  QFont link = Label1->font();
  link.setUnderline(true);
  Label1->setFont(link);
  QPalette blue = Label1->palette();
  blue.setColor(QPalette::WindowText, QColor(0x8e, 0xc5, 0xff));  // blue that reads on the dark picture
  Label1->setPalette(blue);
  Label1->adjustSize();
  Label1->setAttribute(Qt::WA_TransparentForMouseEvents, false);
  Label1->setCursor(Qt::PointingHandCursor);
  Label1->installEventFilter(this);

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

bool TAbout_Frm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (watched == Label1) {
      Label1Click();
      return true;
    }
    if (watched == About_Img) {
      reject();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TAbout_Frm::Label1Click() {
  if (const AppCommand* homePage = FindAppCommand("homepage")) (*homePage)(app_, nullptr, 0);
}

TAbout_Frm& AboutBox(AppServices& app) {
  static QPointer<TAbout_Frm> box;
  static AppServices* owner = nullptr;
  if (box && owner != &app) delete box;
  if (!box) {
    box = new TAbout_Frm(app, app.FrameWidget());
    owner = &app;
  }
  return *box;
}

namespace {
const AppCommandRegistration kAboutCommand("about",
                                           [](AppServices& app, const RasterImage*, int) { AboutBox(app).exec(); });
}  // namespace

}  // namespace tessalin

