#include "processing/ui/scale_dialog.h"

#include <QApplication>
#include <cstdlib>

#include "processing/scale.h"
#include "widgets/command_registry.h"

namespace tessalin {

namespace {

QSlider* AddRateBar(QWidget* parent, const QString& name, int low, int high, int ticks, int x, int y, int w) {
  auto* bar = new QSlider(Qt::Horizontal, parent);
  bar->setObjectName(name);
  bar->setRange(low, high);
  bar->setValue(100);
  bar->setSingleStep(5);
  bar->setPageStep(10);
  bar->setTickInterval(ticks);
  bar->setTickPosition(QSlider::TicksBelow);
  bar->setGeometry(x, y, w, 28);
  return bar;
}

double ReadBack(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

}  // namespace

double TScale_Frm::ReductionFactor(int percent) { return ReadBack(ThreeSignificantDigits(100.0 / percent)); }
double TScale_Frm::MagnificationFactor(int percent) {
  return ReadBack(ThreeSignificantDigits(percent / 100.0));
}

TScale_Frm::TScale_Frm(AppServices& app, RasterImage&& source)
    : ProcessingDialog(app, "Scale_Frm", "Image Scaling Process", 326, 306) {
  scrollBox_ = new QScrollArea(this);
  scrollBox_->setObjectName("ScrollBox");
  scrollBox_->setGeometry(0, 0, 326, 190);
  scrollBox_->setAlignment(Qt::AlignCenter);
  Src_Img = new PictureLabel(nullptr);
  Src_Img->setObjectName("Src_Img");
  SetHint(Src_Img, "current scaled image");
  scrollBox_->setWidget(Src_Img);

  AddLabel(this, "Reduction Rate", 8, 198);
  Mini_Rate_Lbl = AddLabel(this, "100%", 112, 198);
  Mini_Rate_Lbl->setObjectName("Mini_Rate_Lbl");
  Mini_Rate_Lbl->setMinimumWidth(50);
  SetHint(Mini_Rate_Lbl, "current minification rate");
  Mini_TrBar = AddRateBar(this, "Mini_TrBar", 1, 100, 10, 8, 214, 310);
  SetHint(Mini_TrBar, "reduction rate");
  AddLabel(this, "Magnification Rate", 8, 248);
  Magni_Rate_Lbl = AddLabel(this, "100%", 130, 248);
  Magni_Rate_Lbl->setObjectName("Magni_Rate_Lbl");
  Magni_Rate_Lbl->setMinimumWidth(50);
  SetHint(Magni_Rate_Lbl, "current magnification rate");
  Magni_trBar = AddRateBar(this, "Magni_trBar", 100, 500, 20, 8, 264, 220);
  SetHint(Magni_trBar, "magnification rate");
  Ok_BitBtn = new QPushButton("Ok", this);
  Ok_BitBtn->setObjectName("Ok_BitBtn");
  Ok_BitBtn->setGeometry(238, 248, 80, 25);
  Ok_BitBtn->setDefault(true);
  SetHint(Ok_BitBtn, "select current scaled image");
  Close_BitBtn = new QPushButton("Close", this);
  Close_BitBtn->setObjectName("Close_BitBtn");
  Close_BitBtn->setGeometry(238, 277, 80, 25);
  SetHint(Close_BitBtn, "Close Scale window");

  kept_ = std::move(source);
  RasterImage shown;
  shown.Assign(kept_);
  Src_Img->SetPicture(std::move(shown));

  connect(Mini_TrBar, &QSlider::valueChanged, this, Guarded([this] { Scale_TrBarChange(0); }));
  connect(Magni_trBar, &QSlider::valueChanged, this, Guarded([this] { Scale_TrBarChange(1); }));
  connect(Ok_BitBtn, &QPushButton::clicked, this, Guarded([this] { Ok_BitBtnClick(); }));
  connect(Close_BitBtn, &QPushButton::clicked, this, &QDialog::close);
  connect(Src_Img, &PictureLabel::DoubleClicked, this, Guarded([this] { Src_ImgDblClick(); }));
}

void TScale_Frm::Scale_TrBarChange(int tag) {
  QApplication::processEvents();
  WaitCursor wait;
  // Each change starts from the kept copy; the two bars are never combined.
  if (tag == 0) {
    const int p = Mini_TrBar->value();
    Mini_Rate_Lbl->setText(QString::asprintf("%d ", p) + "%");
    setWindowTitle(QString("Reduction(Degree : %1)").arg(Mini_Rate_Lbl->text()));
    const double f = ReductionFactor(p);
    Src_Img->SetPicture(ReduceImage(kept_, f, f));
  } else {
    const int p = Magni_trBar->value();
    Magni_Rate_Lbl->setText(QString::asprintf("%d", p) + "%");
    setWindowTitle(QString("Magnification(Degree : %1)").arg(Magni_Rate_Lbl->text()));
    const double f = MagnificationFactor(p);
    Src_Img->SetPicture(MagnifyImage(kept_, f, f));
  }
}

// The displayed picture goes out as it is, even when empty.
void TScale_Frm::Src_ImgDblClick() { App().CreateResultChild("Result", Src_Img->Picture()); }

void TScale_Frm::Ok_BitBtnClick() {
  Src_ImgDblClick();
  close();
}

TScale_Frm* OpenScaleDialog(AppServices& app, const RasterImage* source, int tag) {
  if (tag != 0) {
    // The fixed percentages of the menu go straight into a new window.
    app.CreateResultChild("Result", ScaleByMenuTag(Copy24(source), tag));
    return nullptr;
  }
  auto* dialog = new TScale_Frm(app, Copy24(source));
  dialog->show();
  return dialog;
}

namespace {
const AppCommandRegistration kScaleCommand("scale", [](AppServices& app, const RasterImage* source, int tag) {
  OpenScaleDialog(app, source, tag);
});
}  // namespace

}  // namespace tessalin
