#include "processing/ui/rotate_dialog.h"

#include <QApplication>

#include "processing/rotate.h"
#include "widgets/command_registry.h"

namespace tessalin {

namespace {
const QString kDegree = QString::fromUtf8("\u02DA");
}  // namespace

TRotate_Frm::TRotate_Frm(AppServices& app, RasterImage&& source)
    : ProcessingDialog(app, "Rotate_Frm", "Image Rotating Process", 324, 263) {
  scrollBox_ = new QScrollArea(this);
  scrollBox_->setObjectName("ScrollBox");
  scrollBox_->setGeometry(0, 0, 324, 183);
  // Keeps the picture centred while it is smaller than the box, at the top-left otherwise.
  scrollBox_->setAlignment(Qt::AlignCenter);
  Src_Img = new PictureLabel(nullptr);
  Src_Img->setObjectName("Src_Img");
  SetHint(Src_Img, "current rotated image");
  scrollBox_->setWidget(Src_Img);

  Degree_TrBar = new QSlider(Qt::Horizontal, this);
  Degree_TrBar->setObjectName("Degree_TrBar");
  Degree_TrBar->setRange(-360, 360);
  Degree_TrBar->setSingleStep(10);
  Degree_TrBar->setPageStep(45);
  Degree_TrBar->setTickInterval(20);
  Degree_TrBar->setTickPosition(QSlider::TicksBelow);
  Degree_TrBar->setGeometry(8, 188, 308, 30);
  SetHint(Degree_TrBar, "Rotate degrees");
  AddLabel(this, "-360" + kDegree, 8, 218);
  AddLabel(this, "0", 158, 218);
  AddLabel(this, "360" + kDegree, 288, 218);
  Fit_ChkBox = new QCheckBox("&Full Fit", this);
  Fit_ChkBox->setObjectName("Fit_ChkBox");
  Fit_ChkBox->setGeometry(8, 236, 100, 20);
  SetHint(Fit_ChkBox, "fit full image size");
  Ok_BitBtn = new QPushButton("Ok", this);
  Ok_BitBtn->setObjectName("Ok_BitBtn");
  Ok_BitBtn->setGeometry(158, 234, 75, 25);
  Ok_BitBtn->setDefault(true);
  SetHint(Ok_BitBtn, "select current rotated image");
  Close_BitBtn = new QPushButton("Close", this);
  Close_BitBtn->setObjectName("Close_BitBtn");
  Close_BitBtn->setGeometry(241, 234, 75, 25);
  SetHint(Close_BitBtn, "Close Rotate window");

  kept_ = std::move(source);
  RasterImage shown;
  shown.Assign(kept_);
  Src_Img->SetPicture(std::move(shown));

  connect(Degree_TrBar, &QSlider::valueChanged, this, Guarded([this] { Degree_TrBarChange(); }));
  connect(Fit_ChkBox, &QCheckBox::clicked, this, Guarded([this] { Degree_TrBarChange(); }));
  connect(Ok_BitBtn, &QPushButton::clicked, this, Guarded([this] { Ok_BitBtnClick(); }));
  connect(Close_BitBtn, &QPushButton::clicked, this, &QDialog::close);
  connect(Src_Img, &PictureLabel::DoubleClicked, this, Guarded([this] { Src_ImgDblClick(); }));
}

void TRotate_Frm::Degree_TrBarChange() {
  QApplication::processEvents();
  WaitCursor wait;
  // Every turn starts from the kept copy, so steps never add blur.
  Src_Img->SetPicture(RotateImage(kept_, Fit_ChkBox->isChecked(), Degree_TrBar->value()));
  Degree_TrBar->setFocus();
  setWindowTitle(QString("Rotation(Degree : %1%2)").arg(Degree_TrBar->value()).arg(kDegree));
}

// The displayed picture goes out as it is, even when empty.
void TRotate_Frm::Src_ImgDblClick() { App().CreateResultChild("Result", Src_Img->Picture()); }

void TRotate_Frm::Ok_BitBtnClick() {
  Src_ImgDblClick();
  close();
}

TRotate_Frm* OpenRotateDialog(AppServices& app, const RasterImage* source, int tag) {
  if (tag == 0) {
    // "Rotate 90": a clockwise quarter turn straight into a new window.
    app.CreateResultChild("Result", RotateImage90(Copy24(source)));
    return nullptr;
  }
  auto* dialog = new TRotate_Frm(app, Copy24(source));
  dialog->show();
  return dialog;
}

namespace {
const AppCommandRegistration kRotateCommand("rotate", [](AppServices& app, const RasterImage* source,
                                                         int tag) { OpenRotateDialog(app, source, tag); });
}  // namespace

}  // namespace tessalin
