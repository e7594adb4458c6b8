#include "processing/ui/channel_dialog.h"

#include <QApplication>
#include <QGroupBox>
#include <QResizeEvent>
#include <functional>
#include <memory>
#include <optional>

#include "core/arithmetic.h"
#include "core/pixel_ops.h"
#include "widgets/command_registry.h"

namespace tessalin {

namespace {

constexpr const char* kLetters[6] = {"R", "G", "B", "H", "S", "I"};
constexpr const char* kBarHints[6] = {"Red Channel +/-", "Green Channel +/-",      "Blue Channel +/-",
                                      "Hue Channel +/-", "Saturation Channel +/-", "Intensity Channel +/-"};
constexpr int kBarRange[6] = {255, 255, 255, 360, 10000, 255};
constexpr int kBarTicks[6] = {20, 20, 20, 30, 1000, 20};
constexpr int kSMax = 10000;

QGroupBox* AddGroup(QWidget* parent, const QString& title, int x, int y, int w, int h) {
  auto* group = new QGroupBox(title, parent);
  group->setGeometry(x, y, w, h);
  return group;
}

QString PreviewHint(const QString& channel) {
  return QString("Channel Applied Image for %1(2xClick for Exporting)").arg(channel);
}

TScaleImage* AddImage(QWidget* parent, const QString& name, const QString& hint, int x, int y, int w, int h) {
  auto* image = new TScaleImage(parent);
  image->setObjectName(name);
  image->setGeometry(x, y, w, h);
  image->SetScaleStyle(ssScale);
  SetHint(image, hint);
  return image;
}

}  // namespace

TChannel_Frm::TChannel_Frm(AppServices& app, RasterImage&& source)
    : ProcessingDialog(app, "Channel_Frm", "Color Channel Property", 621, 470) {
  SetHint(this, "Double Click on Images to pick it out");

  QGroupBox* sourceGroup = AddGroup(this, "Source Image", 8, 2, 228, 152);
  Src_Img = AddImage(sourceGroup, "Src_Img", "This is Source Image for Channel Process", 54, 24, 120, 120);

  QGroupBox* applied = AddGroup(this, "Property applyed Image", 242, 2, 371, 152);
  AddLabel(applied, "RGB Channel", 40, 14);
  RGB_Img = AddImage(applied, "RGB_Img", PreviewHint("RGB"), 40, 28, 120, 120);
  AddLabel(applied, "HSI Channel", 210, 14);
  HSI_Img = AddImage(applied, "HSI_Img", PreviewHint("HSI"), 210, 28, 120, 120);

  QGroupBox* property = AddGroup(this, "Color Property", 8, 158, 228, 293);
  for (int tag = 0; tag < 6; ++tag) {
    const int y = 20 + 38 * tag;
    AddLabel(property, kLetters[tag], 10, y + 6);
    auto* bar = new QSlider(Qt::Horizontal, property);
    bar->setObjectName(QString("%1_TrBar").arg(kLetters[tag]));
    bar->setRange(-kBarRange[tag], kBarRange[tag]);
    bar->setSingleStep(5);
    bar->setPageStep(10);
    bar->setTickInterval(kBarTicks[tag]);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setValue(0);
    bar->setGeometry(26, y, 194, 30);
    SetHint(bar, kBarHints[tag]);
    trackBars_[tag] = bar;
  }
  Channel_Dis_Btn = new QPushButton("&Distribution", property);
  Channel_Dis_Btn->setObjectName("Channel_Dis_Btn");
  Channel_Dis_Btn->setGeometry(6, 256, 74, 26);
  Channel_Dis_Btn->setDefault(true);
  SetHint(Channel_Dis_Btn, "Channel Distribution");
  ReSet_Btn = new QPushButton("&Reset", property);
  ReSet_Btn->setObjectName("ReSet_Btn");
  ReSet_Btn->setGeometry(82, 256, 68, 26);
  SetHint(ReSet_Btn, "Change current Channel Image to Source Image");
  Close_Btn = new QPushButton("&Close", property);
  Close_Btn->setObjectName("Close_Btn");
  Close_Btn->setGeometry(152, 256, 68, 26);
  SetHint(Close_Btn, "Close Channel window");

  QGroupBox* distributed = AddGroup(this, "Distributed Channel ", 242, 158, 371, 293);
  for (int tag = 0; tag < 6; ++tag) {
    const int x = 2 + 123 * (tag % 3);
    const int labelY = tag < 3 ? 13 : 154;
    const QString letter = kLetters[tag];
    AddLabel(distributed, letter + " Channel", x + 4, labelY);
    auto* upDown = new TUpDown(-255, 255, 20, distributed);
    upDown->setObjectName(letter + "_UpDown");
    upDown->move(x + 80, labelY - 1);
    SetHint(upDown, letter + " Channel ThresHold");
    upDowns_[tag] = upDown;
    channelImages_[tag] =
        AddImage(distributed, letter + "_Img", PreviewHint(letter), x, labelY + 17, 123, 120);
  }

  // Seven panels: the hint, then the six applied values.
  panelBar_ = new QWidget(this);
  panelBar_->setObjectName("StatusBar");
  for (int i = 0; i < 7; ++i) {
    panels_[i] = new QLabel(panelBar_);
    panels_[i]->setObjectName(QString("Panel%1").arg(i));
    panels_[i]->setFrameShape(QFrame::Panel);
    panels_[i]->setFrameShadow(QFrame::Sunken);
    QFont font = panels_[i]->font();
    font.setPointSize(7);  // "S -1.0000" has to fit a seventh of the width
    panels_[i]->setFont(font);
  }
  LayoutPanels();

  Src_Img->SetPicture(std::move(source));

  for (int tag = 0; tag < 6; ++tag) {
    connect(trackBars_[tag], &QSlider::valueChanged, this, Guarded([this, tag] { Channel_TrBarChange(tag); }));
    connect(upDowns_[tag], &TUpDown::Clicked, this, [this, tag](int position) {
      App().RunGuarded([this, tag, position] { Channel_UpDownClick(tag, position); });
    });
  }
  connect(Channel_Dis_Btn, &QPushButton::clicked, this, Guarded([this] { Channel_Dis_BtnClick(); }));
  connect(ReSet_Btn, &QPushButton::clicked, this, Guarded([this] { ReSet_BtnClick(); }));
  connect(Close_Btn, &QPushButton::clicked, this, &QDialog::close);
  for (TScaleImage* preview : {RGB_Img, HSI_Img})
    connect(preview, &TScaleImage::DoubleClicked, this, Guarded([this, preview] { Export(preview->Picture()); }));
  for (TScaleImage* preview : channelImages_)
    connect(preview, &TScaleImage::DoubleClicked, this, Guarded([this, preview] { Export(preview->Picture()); }));
}

ChannelOffsets TChannel_Frm::AppliedValues() const {
  ChannelOffsets o;
  o.r = trackBars_[0]->value();
  o.g = trackBars_[1]->value();
  o.b = trackBars_[2]->value();
  o.h = trackBars_[3]->value();
  o.s = static_cast<double>(trackBars_[4]->value()) / kSMax;
  o.i = trackBars_[5]->value();
  return o;
}

void TChannel_Frm::showEvent(QShowEvent* event) {
  const TScaleStyle style = StyleFor(Src_Img->Picture(), Src_Img);
  for (TScaleImage* preview : channelImages_) preview->SetScaleStyle(style);
  RGB_Img->SetScaleStyle(style);
  HSI_Img->SetScaleStyle(style);
  if (!kept_ && Src_Img->Picture().HasImage()) {
    W = Src_Img->Picture().Width();
    H = Src_Img->Picture().Height();
    auto kept = std::make_shared<RasterImage>();
    kept->Assign(Src_Img->Picture());
    kept_ = std::move(kept);
    ShowAllChannels();
  }
  ProcessingDialog::showEvent(event);
}

void TChannel_Frm::resizeEvent(QResizeEvent* event) {
  ProcessingDialog::resizeEvent(event);
  LayoutPanels();
}

void TChannel_Frm::LayoutPanels() {
  const int width = this->width();
  panelBar_->setGeometry(0, height() - 19, width, 19);
  // The hint takes half; the six values share the rest.
  const int first = RoundToInt(width / 2.0);
  const int each = (width - first) / 6;
  panels_[0]->setGeometry(0, 0, first, 19);
  for (int i = 1; i < 7; ++i) panels_[i]->setGeometry(first + each * (i - 1), 0, each, 19);
}

void TChannel_Frm::ShowHint(const QString& hint) {
  panels_[0]->setText(hint);
  RefreshPanels();
}

void TChannel_Frm::RefreshPanels() {
  for (int tag = 0; tag < 6; ++tag) {
    panels_[tag + 1]->setText(
        tag == 4 ? QString::asprintf("S %1.4f", static_cast<double>(trackBars_[4]->value()) / kSMax)
                 : QString::asprintf("%s %d", kLetters[tag], trackBars_[tag]->value()));
  }
}

namespace {

RasterImage CopyOf(const RasterImage& picture) {
  RasterImage copy;
  copy.Assign(picture);
  return copy;
}

// A correction not made yet: the full pictures are made when first read, the
// faces of scaled previews from the sampled pixels alone.
struct ChannelPending {
  std::shared_ptr<const RasterImage> source;
  std::shared_ptr<ChannelCorrector> corrector;
  ChannelOffsets offsets;
  std::optional<ChannelCorrection> result;
  // The last sampled face, shared by both previews and by repaints.
  std::vector<int> columns, rows;
  std::optional<ChannelCorrection> face;
  const ChannelCorrection& Result() {
    WaitCursor wait;  // the full picture is being made now
    if (!result) result = corrector->Apply(*source, offsets, true);
    return *result;
  }
  const ChannelCorrection& Face(const std::vector<int>& c, const std::vector<int>& r) {
    if (!face || c != columns || r != rows) {
      face = corrector->Apply(SamplePixels(*source, c, r), offsets, true);
      columns = c;
      rows = r;
    }
    return *face;
  }
};

}  // namespace

void TChannel_Frm::ShowAllChannels() {
  WaitCursor wait;
  const std::shared_ptr<const RasterImage> kept = kept_;
  rgbFull_ = [kept]() -> const RasterImage& { return *kept; };
  rgbFace_ = [kept](const std::vector<int>& c, const std::vector<int>& r) { return SamplePixels(*kept, c, r); };
  ShowDistribution();
  if (RGB_Img->ScaleStyle() != ssScale || HSI_Img->ScaleStyle() != ssScale) {
    RGB_Img->SetPicture(RGBModelImage(3, *kept));
    HSI_Img->SetPicture(ChannelCompositeImage(*kept));
    return;
  }
  // Scaled: the copy and the composite are per-pixel too, so only the sampled pixels are needed now.
  RGB_Img->SetDeferredPicture(
      W, H, [kept] { return RGBModelImage(3, *kept); },
      [kept](const std::vector<int>& c, const std::vector<int>& r) { return SamplePixels(*kept, c, r); });
  HSI_Img->SetDeferredPicture(
      W, H, [kept] { return ChannelCompositeImage(*kept); },
      [kept](const std::vector<int>& c, const std::vector<int>& r) {
        return ChannelCompositeImage(SamplePixels(*kept, c, r));
      });
}

void TChannel_Frm::ShowDistribution() {
  if (!rgbFull_) {  // nothing shown yet
    for (TScaleImage* preview : channelImages_) preview->SetPicture(RasterImage());
    return;
  }
  if (channelImages_[0]->ScaleStyle() != ssScale) {
    std::array<RasterImage, 6> six = ChannelDistributionImages(rgbFull_());
    for (int tag = 0; tag < 6; ++tag) channelImages_[tag]->SetPicture(std::move(six[tag]));
    return;
  }
  // The six pictures are per-pixel functions of RGB_Img's picture: the faces
  // come from its sampled pixels, the full pictures (all six at once) when one is read.
  struct Shared {
    std::function<const RasterImage&()> full;
    std::function<RasterImage(const std::vector<int>&, const std::vector<int>&)> face;
    std::optional<std::array<RasterImage, 6>> six;
    std::vector<int> columns, rows;
    std::optional<std::array<RasterImage, 6>> faces;
  };
  auto shared = std::make_shared<Shared>();
  shared->full = rgbFull_;
  shared->face = rgbFace_;
  for (int tag = 0; tag < 6; ++tag)
    channelImages_[tag]->SetDeferredPicture(
        W, H,
        [shared, tag] {
          WaitCursor wait;
          if (!shared->six) shared->six = ChannelDistributionImages(shared->full());
          return std::move((*shared->six)[tag]);  // each control reads its own once
        },
        [shared, tag](const std::vector<int>& c, const std::vector<int>& r) {
          if (!shared->faces || c != shared->columns || r != shared->rows) {
            shared->faces = ChannelDistributionImages(shared->face(c, r));
            shared->columns = c;
            shared->rows = r;
          }
          return CopyOf((*shared->faces)[tag]);
        });
}

void TChannel_Frm::Channel_TrBarChange(int tag) {
  if (!kept_) return;
  WaitCursor wait;
  QSlider* bar = trackBars_[tag];
  SetHint(bar, tag == 4 ? QString::asprintf("S Channel Applied Value : %1.4f",
                                            static_cast<double>(bar->value()) / kSMax)
                        : QString::asprintf("%s Channel Applied Value : %d", kLetters[tag], bar->value()));
  RefreshPanels();
  // Always from the unchanged source, with all six current positions.
  const ChannelOffsets offsets = AppliedValues();
  if (RGB_Img->ScaleStyle() != ssScale || HSI_Img->ScaleStyle() != ssScale) {
    ChannelCorrection result = corrector_->Apply(*kept_, offsets, true);
    RGB_Img->SetPicture(std::move(result.corrected));
    HSI_Img->SetPicture(std::move(result.composite));
    // Unscaled previews: the distribution is made at once from the picture shown.
    rgbFull_ = [this]() -> const RasterImage& { return RGB_Img->Picture(); };
    rgbFace_ = [this](const std::vector<int>& c, const std::vector<int>& r) {
      return SamplePixels(RGB_Img->Picture(), c, r);
    };
    return;
  }
  // A scaled preview shows only a few of the pixels, and the correction works
  // pixel by pixel: the full pictures are made when first read (export,
  // Distribution, an up-down), so dragging a bar stays quick on large pictures.
  auto pending = std::make_shared<ChannelPending>();
  pending->source = kept_;
  pending->corrector = corrector_;
  pending->offsets = offsets;
  // The pending result stays whole for the distribution, so the previews get copies.
  rgbFull_ = [pending]() -> const RasterImage& { return pending->Result().corrected; };
  rgbFace_ = [pending](const std::vector<int>& c, const std::vector<int>& r) {
    return CopyOf(pending->Face(c, r).corrected);
  };
  RGB_Img->SetDeferredPicture(W, H, [pending] { return CopyOf(pending->Result().corrected); }, rgbFace_);
  HSI_Img->SetDeferredPicture(
      W, H, [pending] { return CopyOf(pending->Result().composite); },
      [pending](const std::vector<int>& c, const std::vector<int>& r) {
        return CopyOf(pending->Face(c, r).composite);
      });
}

void TChannel_Frm::Channel_Dis_BtnClick() {
  WaitCursor wait;
  QApplication::processEvents();
  ShowDistribution();
  for (TUpDown* upDown : upDowns_) upDown->SetPosition(0);
}

void TChannel_Frm::Channel_UpDownClick(int tag, int position) {
  SetHint(upDowns_[tag], QString::asprintf("%s Channel Threshold Value : %d", kLetters[tag], position));
  // From the current corrected picture, never from the image shown before.
  const RasterImage& picture = tag < 3 ? RGB_Img->Picture() : HSI_Img->Picture();
  channelImages_[tag]->SetPicture(ChannelThresholdImage(picture, tag % 3, position));
}

void TChannel_Frm::ReSet_BtnClick() {
  for (int tag = 0; tag < 6; ++tag) {
    // The source is shown afresh below, so the six moves need not recompute.
    const QSignalBlocker block(trackBars_[tag]);
    trackBars_[tag]->setValue(0);
    SetHint(trackBars_[tag], kBarHints[tag]);
    upDowns_[tag]->SetPosition(0);
    SetHint(upDowns_[tag], QString(kLetters[tag]) + " Channel ThresHold");
  }
  RefreshPanels();
  if (kept_) ShowAllChannels();
}

TChannel_Frm* OpenChannelDialog(AppServices& app, const RasterImage* source, int) {
  auto* dialog = new TChannel_Frm(app, Copy24(source));
  try {
    dialog->show();  // the first showing computes every channel
  } catch (...) {
    // Out of memory there: no half-filled dialog stays behind.
    delete dialog;
    throw;
  }
  return dialog;
}

namespace {
const AppCommandRegistration kChannelCommand("channel", [](AppServices& app, const RasterImage* source,
                                                           int tag) { OpenChannelDialog(app, source, tag); });
}  // namespace

}  // namespace tessalin
