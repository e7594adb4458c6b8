#include "wizard/ui/wizard_dialog.h"

#include <QEvent>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>

namespace tessalin {

namespace {

constexpr int kClientWidth = 420;
constexpr int kClientHeight = 240;
constexpr int kChoiceLeft = 150;
constexpr char kTagProperty[] = "Tag";

int TagOf(const QObject* button) { return button->property(kTagProperty).toInt(); }

}  // namespace

QString TWizard_Frm::PageTitle(int page) {
  switch (page) {
    case 0: return QStringLiteral("Tessalin Wizard Model");
    case 1: return QStringLiteral("Tessalin Source Type Selection");
    case 2: return QStringLiteral("Tessalin ScaleRate Selection");
    case 3: return QStringLiteral("Tessalin OutputKinds Selection");
    default: return QString();
  }
}

TWizard_Frm::TWizard_Frm(WizardSettings& settings, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowContextHelpButtonHint |
                  Qt::WindowStaysOnTopHint),
      settings_(settings) {
  setObjectName(QStringLiteral("Wizard_Frm"));
  setWindowTitle(QStringLiteral("Tessalin Wizard"));
  setFixedSize(kClientWidth, kClientHeight);
  setModal(true);

  Wizard_NoteBook = new QStackedWidget(this);
  Wizard_NoteBook->setObjectName(QStringLiteral("Wizard_NoteBook"));
  Wizard_NoteBook->setGeometry(0, 0, kClientWidth, kClientHeight);

  // Page 0: the mode; its two pictures share one place.
  QWidget* modePage = MakePage("Default", "Choose a Wizard Mode", QStringLiteral(":/tessalin/wizard_mode1.png"),
                               &Mode1_Img);
  Mode1_Img->setObjectName(QStringLiteral("Mode1_Img"));
  Mode2_Img = new QLabel(modePage);
  Mode2_Img->setObjectName(QStringLiteral("Mode2_Img"));
  Mode2_Img->setGeometry(Mode1_Img->geometry());
  Mode2_Img->setPixmap(QPixmap(QStringLiteral(":/tessalin/wizard_mode2.png")));
  Mode2_Img->hide();
  WMode1_RBtn = AddRadio(modePage, "WMode1_RBtn", "One Click Wizard", 0, 44);
  auto* oneClickText = new QLabel(QStringLiteral("This is only needed a selection of source image"), modePage);
  oneClickText->setWordWrap(true);
  oneClickText->setGeometry(kChoiceLeft + 20, 66, kClientWidth - kChoiceLeft - 30, 32);
  WMode2_RBtn = AddRadio(modePage, "WMode2_RBtn", "Detail Wizard", 1, 106);
  auto* detailText = new QLabel(QStringLiteral("The wizard will give you three steps of selection"), modePage);
  detailText->setWordWrap(true);
  detailText->setGeometry(kChoiceLeft + 20, 128, kClientWidth - kChoiceLeft - 30, 32);
  for (QRadioButton* button : {WMode1_RBtn, WMode2_RBtn})
    connect(button, &QRadioButton::toggled, this, [this, button](bool on) {
      if (on) wMode_RBtnClick(button);
    });

  QWidget* typePage = MakePage("Type", "Choose a Source type of Image", QStringLiteral(":/tessalin/wizard_type.png"),
                               nullptr);
  SrcType0_RBtn = AddRadio(typePage, "SrcType0_RBtn", "Picture type", 0, 50);
  QRadioButton* src1 = AddRadio(typePage, "SrcType1_RBtn", "ComputerGraphic or Drawing type", 1, 80);
  QRadioButton* src2 = AddRadio(typePage, "SrcType2_RBtn", "Icon type", 2, 110);
  for (QRadioButton* button : {SrcType0_RBtn, src1, src2})
    connect(button, &QRadioButton::toggled, this, [this, button](bool on) {
      if (on) SrcType_RBtnClick(button);
    });

  QWidget* scalePage = MakePage("Scale", "Choose a ScaleRate of Image", QStringLiteral(":/tessalin/wizard_scale.png"),
                                nullptr);
  static const char* const kScaleNames[] = {"ScaleType0_RBtn", "ScaleType1_RBtn", "ScaleType2_RBtn",
                                            "ScaleType3_RBtn", "ScaleType4_RBtn"};
  static const char* const kScaleCaptions[] = {"125%", "100%", "75%", "50%", "25%"};
  for (int tag = 0; tag < 5; ++tag) {
    QRadioButton* button = AddRadio(scalePage, kScaleNames[tag], kScaleCaptions[tag], tag, 42 + 26 * tag);
    if (tag == 1) ScaleType1_RBtn = button;
    connect(button, &QRadioButton::toggled, this, [this, button](bool on) {
      if (on) ScaleType_RBtnClick(button);
    });
  }

  QWidget* resultPage = MakePage("OutputType", "Choose a ResultType", QStringLiteral(":/tessalin/wizard_output.png"),
                                 nullptr);
  ResultType0_RBtn = AddRadio(resultPage, "ResultType0_RBtn", "Simple Result type", 0, 50);
  QRadioButton* result1 = AddRadio(resultPage, "ResultType1_RBtn", "Various Result type", 1, 80);
  for (QRadioButton* button : {ResultType0_RBtn, result1}) {
    connect(button, &QRadioButton::toggled, this, [this, button](bool on) {
      if (on) ResultType_RBtnClick(button);
    });
    button->setProperty("resultButton", true);
  }

  Next_BitBtn = new QPushButton(QStringLiteral("Next"), this);
  Next_BitBtn->setObjectName(QStringLiteral("Next_BitBtn"));
  Next_BitBtn->setToolTip(QStringLiteral("Next step"));
  Next_BitBtn->setGeometry(250, 205, 75, 25);
  Next_BitBtn->setDefault(true);
  connect(Next_BitBtn, &QPushButton::clicked, this, &TWizard_Frm::Next_BitBtnClick);

  Calcel_BitBtn = new QPushButton(QStringLiteral("Cancel"), this);
  Calcel_BitBtn->setObjectName(QStringLiteral("Calcel_BitBtn"));
  Calcel_BitBtn->setToolTip(QStringLiteral("Exit wizard"));
  Calcel_BitBtn->setGeometry(335, 205, 75, 25);
  Calcel_BitBtn->setAutoDefault(false);
  connect(Calcel_BitBtn, &QPushButton::clicked, this, &TWizard_Frm::Calcel_BitBtnClick);

  connect(Wizard_NoteBook, &QStackedWidget::currentChanged, this, &TWizard_Frm::Wizard_NoteBookPageChanged);

  FormCreate();

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
  }
}

QWidget* TWizard_Frm::MakePage(const char* name, const char* heading, const QString& picture, QLabel** pictureLabel) {
  auto* page = new QWidget;
  page->setObjectName(QString::fromLatin1(name));
  page->setAutoFillBackground(true);
  QPalette white = page->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  page->setPalette(white);

  auto* image = new QLabel(page);
  image->setGeometry(10, 10, 120, 200);
  image->setPixmap(QPixmap(picture));
  if (pictureLabel) *pictureLabel = image;

  auto* title = new QLabel(QString::fromLatin1(heading), page);
  QFont font = title->font();
  font.setBold(true);
  font.setItalic(true);
  font.setPointSize(font.pointSize() + 2);
  title->setFont(font);
  title->setGeometry(kChoiceLeft - 5, 12, kClientWidth - kChoiceLeft, 24);

  Wizard_NoteBook->addWidget(page);
  return page;
}

QRadioButton* TWizard_Frm::AddRadio(QWidget* page, const char* name, const char* caption, int tag, int y) {
  auto* button = new QRadioButton(QString::fromLatin1(caption), page);
  button->setObjectName(QString::fromLatin1(name));
  button->setProperty(kTagProperty, tag);
  button->setGeometry(kChoiceLeft, y, kClientWidth - kChoiceLeft - 10, 22);
  button->installEventFilter(this);
  return button;
}

void TWizard_Frm::FormCreate() {
  Wizard_NoteBook->setCurrentIndex(0);
  WMode1_RBtn->setChecked(true);
  SrcType0_RBtn->setChecked(true);
  ScaleType1_RBtn->setChecked(true);
  ResultType0_RBtn->setChecked(true);
  settings_.WMode = 0;
  settings_.SrcType = 0;
  settings_.ScaleType = 1;
  settings_.ResultType = 0;
}

void TWizard_Frm::wMode_RBtnClick(QRadioButton* button) {
  settings_.WMode = TagOf(button);
  Mode1_Img->hide();
  Mode2_Img->hide();
  (settings_.WMode == 0 ? Mode1_Img : Mode2_Img)->show();
}

void TWizard_Frm::SrcType_RBtnClick(QRadioButton* button) { settings_.SrcType = TagOf(button); }

void TWizard_Frm::ScaleType_RBtnClick(QRadioButton* button) { settings_.ScaleType = TagOf(button); }

void TWizard_Frm::ResultType_RBtnClick(QRadioButton* button) { settings_.ResultType = TagOf(button); }

void TWizard_Frm::Next_BitBtnClick() {
  if (settings_.WMode == 0 || finishes_) {
    accept();
    return;
  }
  // An icon is never scaled, so its run skips the scale page.
  const int next = Wizard_NoteBook->currentIndex() + (settings_.SrcType == 2 ? 2 : 1);
  if (next < kPageCount) Wizard_NoteBook->setCurrentIndex(next);
}

void TWizard_Frm::ResultType_RBtnDblClick() { accept(); }

void TWizard_Frm::Wizard_NoteBookPageChanged(int page) {
  Next_BitBtn->setText(QStringLiteral("Next"));
  setWindowTitle(PageTitle(page));
  finishes_ = page == kPageCount - 1;
  if (finishes_) Next_BitBtn->setText(QStringLiteral("Finish"));
}

void TWizard_Frm::Calcel_BitBtnClick() { reject(); }

bool TWizard_Frm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    auto* button = qobject_cast<QRadioButton*>(watched);
    if (button && button->isEnabled()) {
      // The first click of the pair has already stored the choice.
      button->setChecked(true);
      if (button->property("resultButton").toBool())
        ResultType_RBtnDblClick();
      else
        Next_BitBtnClick();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace tessalin
