#include "formats/ui/gif_info_dialog.h"

#include <QApplication>
#include <QBitmap>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMovie>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include "core/file_io.h"
#include "core/tessalin_error.h"
#include "widgets/picture_preview.h"
#include "widgets/qt_raster.h"

namespace tessalin {

namespace {

void SetHint(QWidget* widget, const char* hint) {
  widget->setToolTip(QString::fromLatin1(hint));
  widget->setStatusTip(QString::fromLatin1(hint));
}

QScrollArea* MakeScrollBox(const char* name, QWidget* parent, QWidget*& content) {
  auto* box = new QScrollArea(parent);
  box->setObjectName(name);
  box->setFixedSize(200, 220);
  content = new QWidget;
  content->resize(196, 216);
  box->setWidget(content);
  box->setWidgetResizable(false);
  return box;
}

QLabel* MakeCentredLabel(const char* name, const char* text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  return label;
}

}  // namespace

TGifInfo_Dlg_Frm::TGifInfo_Dlg_Frm(ResultSink& results, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), results_(results), prompts_(prompts) {
  setObjectName("TGifInfo_Dlg_Frm");
  setWindowTitle("Gif SubImage Selection");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  chooseGifFile = [this](const QString& dir, const QString& name) { return DefaultChooseGifFile(dir, name); };

  leftScroll_ = MakeScrollBox("Left_ScrollBox", this, leftContent_);
  label1_ = MakeCentredLabel("Label1", "Animation GifImage", leftContent_);
  aniGifImg_ = new QLabel(leftContent_);
  aniGifImg_->setObjectName("AniGif_Img");
  SetHint(aniGifImg_, "animated gif");

  auto* center = new QWidget(this);
  center->setObjectName("Center_Panel");
  auto* label3 = MakeCentredLabel("Label3", "Gif SubImageList", center);
  list_ = new QListWidget(center);
  list_->setObjectName("GifSubImg_ChkBox");
  SetHint(list_, "check Image for exporting");
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* centerLayout = new QVBoxLayout(center);
  centerLayout->setContentsMargins(0, 0, 0, 0);
  centerLayout->addWidget(label3);
  centerLayout->addWidget(list_);

  rightScroll_ = MakeScrollBox("Right_ScrollBox", this, rightContent_);
  label2_ = MakeCentredLabel("Label2", "Selected GifSubImage(1/1)", rightContent_);
  gifSubImg_ = new QLabel(rightContent_);
  gifSubImg_->setObjectName("GifSub_Img");
  SetHint(gifSubImg_, "current selected subImage");

  auto* panel1 = new QFrame(this);
  panel1->setObjectName("Panel1");
  panel1->setFrameShape(QFrame::Panel);
  panel1->setFrameShadow(QFrame::Sunken);
  panel1->setFixedHeight(30);
  auto* reopen = new QPushButton("ReOpen", panel1);
  reopen->setObjectName("ReOpen_BitBtn");
  SetHint(reopen, "new Gif open");
  auto* exportBtn = new QPushButton("Ok", panel1);
  exportBtn->setObjectName("Export_BitBtn");
  SetHint(exportBtn, "selected image export and exit");
  exportBtn->setDefault(true);
  auto* closeBtn = new QPushButton("Close", panel1);
  closeBtn->setObjectName("Close_BitBtn");
  SetHint(closeBtn, "exit without select");
  transChk_ = new QCheckBox("TransParent", panel1);
  transChk_->setObjectName("Trans_ChkBox");
  SetHint(transChk_, "Transparent Enable");
  auto* panelLayout = new QHBoxLayout(panel1);
  panelLayout->setContentsMargins(4, 2, 4, 2);
  panelLayout->addWidget(reopen);
  panelLayout->addStretch();
  panelLayout->addWidget(transChk_);
  panelLayout->addStretch();
  panelLayout->addWidget(exportBtn);
  panelLayout->addWidget(closeBtn);

  progress_ = new QProgressBar(this);
  progress_->setObjectName("ProgressBar");
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setFixedHeight(12);
  progress_->setTextVisible(false);

  popup_ = new QMenu(this);
  popup_->setObjectName("CkBox_Popup");
  const struct {
    const char* name;
    const char* caption;
    const char* hint;
  } items[] = {{"SelectAll_Item", "&Select All", "Select all List"},
               {"UnSelectAll_Item", "&UnSelect All", "unSelect all List"},
               {"SelectInverse_Item", "Select &Inverse", "select Inverse"}};
  for (int tag = 0; tag < 3; ++tag) {
    QAction* action = popup_->addAction(items[tag].caption);
    action->setObjectName(items[tag].name);
    action->setStatusTip(items[tag].hint);
    action->setData(tag);
    connect(action, &QAction::triggered, this, [this, tag] { ChkBox_PopUp(tag); });
  }

  auto* middle = new QHBoxLayout;
  middle->setContentsMargins(0, 0, 0, 0);
  middle->setSpacing(0);
  middle->addWidget(leftScroll_);
  middle->addWidget(center, 1);
  middle->addWidget(rightScroll_);
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(0, 0, 0, 0);
  top->setSpacing(0);
  top->addLayout(middle);
  top->addWidget(panel1);
  top->addWidget(progress_);
  setFixedSize(506, 262);

  connect(list_, &QListWidget::currentRowChanged, this, &TGifInfo_Dlg_Frm::GifSubImg_ChkBoxClick);
  connect(list_, &QListWidget::itemDoubleClicked, this, &TGifInfo_Dlg_Frm::GifSubImg_ChkBoxDblClick);
  connect(list_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { popup_->exec(list_->viewport()->mapToGlobal(pos)); });
  connect(transChk_, &QCheckBox::clicked, this, &TGifInfo_Dlg_Frm::GifSubImg_ChkBoxClick);
  connect(reopen, &QPushButton::clicked, this, &TGifInfo_Dlg_Frm::ReOpen_BitBtnClick);
  connect(exportBtn, &QPushButton::clicked, this, &TGifInfo_Dlg_Frm::Export_BitBtnClick);
  connect(closeBtn, &QPushButton::clicked, this, &TGifInfo_Dlg_Frm::Close_BitBtnClick);

  // FormCreate: no placeholder line.
  list_->clear();
  list_->setFocus();
}

TGifInfo_Dlg_Frm::~TGifInfo_Dlg_Frm() = default;

void TGifInfo_Dlg_Frm::GifLoadProgress(LoadStage stage, int percent) {
  progress_->setValue(stage == LoadStage::End ? 0 : std::clamp(percent, 0, 100));
}

void TGifInfo_Dlg_Frm::LoadGifFrames(const std::string& fileName) {
  GifLoadProgress(LoadStage::Start, 0);
  // Decode first: a file that fails leaves the dialog as it was.
  std::unique_ptr<DecodedGif> decoded;
  try {
    decoded = std::make_unique<DecodedGif>(
        DecodeGifFile(fileName, [this](int percent) { GifLoadProgress(LoadStage::Running, percent); }));
  } catch (...) {
    GifLoadProgress(LoadStage::End, 0);
    throw;
  }
  GifLoadProgress(LoadStage::End, 100);
  if (decoded->frames.empty()) ThrowFileError(fileName, "the GIF holds no picture");

  gif_ = std::move(decoded);
  gifFileName_ = fileName;

  // The animation: Qt's own GIF player honours delays and disposal.
  if (movie_) {
    aniGifImg_->setMovie(nullptr);
    delete movie_;
    movie_ = nullptr;
  }
  movie_ = new QMovie(QString::fromStdString(fileName), QByteArray(), this);
  if (movie_->isValid()) {
    aniGifImg_->setMovie(movie_);
    movie_->start();
  } else {
    delete movie_;
    movie_ = nullptr;
    aniGifImg_->setPixmap(
        QPixmap::fromImage(RasterToQImage(ComposeGifScreen(*gif_, static_cast<int>(gif_->frames.size()) - 1))));
  }
  aniGifImg_->resize(gif_->screenWidth, gif_->screenHeight);

  list_->blockSignals(true);
  list_->clear();
  for (size_t i = 0; i < gif_->frames.size(); ++i) {
    auto* item = new QListWidgetItem(QString("SubImage[%1]").arg(i), list_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  list_->setCurrentRow(0);
  list_->blockSignals(false);
  FitListFont();
  PlaceImages();
  ShowFrame(0);
}

void TGifInfo_Dlg_Frm::FitListFont() {
  // The centre list is narrow (the two picture boxes keep their size): its font
  // shrinks until the widest line, check box included, fits beside a vertical
  // scroll bar, so that every frame number shows.
  constexpr qreal kSmallestPoints = 5;
  QFont font = QApplication::font(list_);
  list_->setFont(font);
  const int available = width() - leftScroll_->width() - rightScroll_->width() - 2 * list_->frameWidth() -
                        list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list_);
  while (list_->sizeHintForColumn(0) > available && font.pointSizeF() > kSmallestPoints) {
    font.setPointSizeF(std::max(kSmallestPoints, font.pointSizeF() - 0.5));
    list_->setFont(font);
  }
}

void TGifInfo_Dlg_Frm::PlaceImages() {
  const int gifW = gif_ ? gif_->screenWidth : 0;
  const int gifH = gif_ ? gif_->screenHeight : 0;
  // The boxes have a fixed size; their viewports are not laid out before the first show.
  const int clientW = leftScroll_->width() - 2 * leftScroll_->frameWidth();
  const int clientH = leftScroll_->height() - 2 * leftScroll_->frameWidth();
  int top = (clientH - (label1_->sizeHint().height() + gifH)) / 2;
  if (top < 0) top = label1_->sizeHint().height();
  int left = (clientW - gifW) / 2;
  if (left < 0) left = 0;
  for (QWidget* content : {leftContent_, rightContent_}) {
    content->resize(std::max(clientW, left + gifW), std::max(clientH, top + gifH));
  }
  label1_->setGeometry(0, 0, leftContent_->width(), label1_->sizeHint().height());
  label2_->setGeometry(0, 0, rightContent_->width(), label2_->sizeHint().height());
  aniGifImg_->move(left, top);
  gifSubImg_->move(left, top);
}

void TGifInfo_Dlg_Frm::ShowFrame(int index) {
  if (!gif_ || index < 0 || index >= static_cast<int>(gif_->frames.size())) return;
  const GifFrame& frame = gif_->frames[static_cast<size_t>(index)];
  preview_ = NewRaster(PixelFormat::pf24Bit, gif_->screenHeight, gif_->screenWidth);
  preview_.Draw(frame.left, frame.top, frame.raster);
  QPixmap pixmap = QPixmap::fromImage(RasterToQImage(preview_));
  if (transChk_->isChecked() && !pixmap.isNull()) {
    // The colour of the bottom-left pixel is drawn as transparent.
    const QImage image = pixmap.toImage();
    pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(image.pixel(0, image.height() - 1), Qt::MaskInColor)));
  }
  gifSubImg_->setPixmap(pixmap);
  gifSubImg_->resize(pixmap.size());
  label2_->setText(QString("Current GifSubImage(%1/%2)").arg(index + 1).arg(list_->count()));
  label2_->setGeometry(0, 0, rightContent_->width(), label2_->sizeHint().height());
}

void TGifInfo_Dlg_Frm::GifSubImg_ChkBoxClick() { ShowFrame(list_->currentRow()); }

void TGifInfo_Dlg_Frm::GifSubImg_ChkBoxDblClick() {
  QListWidgetItem* item = list_->currentItem();
  if (!item) return;
  item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void TGifInfo_Dlg_Frm::ChkBox_PopUp(int tag) {
  for (int i = 0; i < list_->count(); ++i) {
    QListWidgetItem* item = list_->item(i);
    const bool checked = item->checkState() == Qt::Checked;
    const bool now = tag == 0 ? true : tag == 1 ? false : !checked;
    item->setCheckState(now ? Qt::Checked : Qt::Unchecked);
  }
}

void TGifInfo_Dlg_Frm::Export_BitBtnClick() {
  gifFileName_ = QFileInfo(QString::fromStdString(gifFileName_)).fileName().toStdString();
  if (gif_) {
    for (int i = 0; i < list_->count() && i < static_cast<int>(gif_->frames.size()); ++i) {
      if (list_->item(i)->checkState() != Qt::Checked) continue;
      results_.CreateResultChild(gifFileName_ + "[" + std::to_string(i) + "]",
                                 gif_->frames[static_cast<size_t>(i)].raster);
    }
  }
  Close_BitBtnClick();
}

void TGifInfo_Dlg_Frm::Close_BitBtnClick() {
  if (movie_) movie_->stop();
  gif_.reset();
  done(QDialog::Accepted);
}

void TGifInfo_Dlg_Frm::closeEvent(QCloseEvent* event) {
  if (movie_) movie_->stop();
  gif_.reset();
  setResult(QDialog::Accepted);
  QDialog::closeEvent(event);
}

void TGifInfo_Dlg_Frm::reject() { done(QDialog::Accepted); }

QString TGifInfo_Dlg_Frm::DefaultChooseGifFile(const QString& dir, const QString& proposedName) {
  QFileDialog dialog(this, "Select Only Gif-Format....", dir);
  dialog.setObjectName("ReOpen_ImgDlg");
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ReadOnly);
  dialog.setNameFilter("GIF-Format (*.gif)");
  dialog.setDefaultSuffix("gif");
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  AddPicturePreview(dialog);
  if (!proposedName.isEmpty()) dialog.selectFile(proposedName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

void TGifInfo_Dlg_Frm::ReOpen_BitBtnClick() {
  const QFileInfo current(QString::fromStdString(gifFileName_));
  // The open dialog comes back until the user picks a GIF or cancels.
  for (;;) {
    const QString chosen = chooseGifFile(current.absolutePath(), current.fileName());
    if (chosen.isEmpty()) return;
    if (LowerExtension(chosen.toStdString()) != ".gif") {
      prompts_.ShowMessage("Just Select Gif-Format");
      continue;
    }
    try {
      LoadGifFrames(chosen.toStdString());
    } catch (const std::exception& error) {
      prompts_.ShowMessage(error.what());
    }
    return;
  }
}

}  // namespace tessalin
