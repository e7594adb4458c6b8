#include "processing/ui/eight_channel_dialog.h"

#include <QFrame>

#include "core/pixel_ops.h"
#include "processing/preview_sampling.h"

namespace tessalin {

namespace {
constexpr int kColumns[3] = {40, 217, 394};
constexpr int kPreview = 130;
}  // namespace

EightChannelDialog::EightChannelDialog(AppServices& app, RasterImage&& source, const EightChannelTexts& t)
    : ProcessingDialog(app, t.objectName, t.caption, 564, 523) {
  SetHint(this, "Double Click to Export");
  auto* topBar = new QFrame(this);
  topBar->setGeometry(0, 0, 564, 37);
  topBar->setFrameShape(QFrame::StyledPanel);
  AddLabel(this, t.kindLabel, 8, 11);
  kindBox_ = new QComboBox(this);
  kindBox_->setObjectName(t.comboName);
  kindBox_->addItems(t.kinds);
  kindBox_->setGeometry(72, 7, 140, 22);
  SetHint(kindBox_, t.comboHint);
  AddLabel(this, "OffSet", 226, 11);
  Bias_SpinE = new TSpinEdit(-255, 255, 4, this);
  Bias_SpinE->setObjectName("Bias_SpinE");
  Bias_SpinE->setGeometry(270, 7, 49, 22);
  SetHint(Bias_SpinE, t.biasHint);
  Apply_Btn = new QPushButton("&Apply", this);
  Apply_Btn->setObjectName("Apply_Btn");
  Apply_Btn->setGeometry(390, 7, 75, 22);
  Apply_Btn->setDefault(true);
  SetHint(Apply_Btn, t.applyHint);
  closeButton_ = new QPushButton("&Close", this);
  closeButton_->setObjectName(t.closeName);
  closeButton_->setGeometry(476, 7, 75, 22);
  SetHint(closeButton_, t.closeHint);

  const auto hint = [](const QString& channel) {
    return QString("Channel Applied Image for %1(2xClick for Exporting)").arg(channel);
  };
  constexpr int kRowTop[3] = {60, 216, 370};
  Src_Img = AddPreview("Src_Img", t.sourceHint, kColumns[0], kRowTop[0], kPreview, kPreview, "Source Model",
                       kColumns[0], kRowTop[0] - 16);
  results_[3] = AddPreview("RGB_Img", hint("RGB"), kColumns[1], kRowTop[0], kPreview, kPreview, t.rgbLabel,
                           kColumns[1], kRowTop[0] - 16);
  results_[7] = AddPreview("HSI_Img", hint("HSI"), kColumns[2], kRowTop[0], kPreview, kPreview, t.hsiLabel,
                           kColumns[2], kRowTop[0] - 16);
  const char* rgbNames[3] = {"R", "G", "B"};
  const QColor rgbColours[3] = {Qt::red, QColor(0, 128, 0), Qt::blue};
  const char* hsiNames[3] = {"H", "S", "I"};
  for (int i = 0; i < 3; ++i) {
    results_[i] = AddPreview(QString("%1_Img").arg(rgbNames[i]), hint(rgbNames[i]), kColumns[i], kRowTop[1],
                             kPreview, kPreview, QString("%1 Channel").arg(rgbNames[i]), kColumns[i],
                             kRowTop[1] - 16, rgbColours[i]);
    results_[4 + i] =
        AddPreview(QString("%1_Img").arg(hsiNames[i]), hint(hsiNames[i]), kColumns[i], kRowTop[2], kPreview,
                   kPreview, QString("%1 Channel").arg(hsiNames[i]), kColumns[i], kRowTop[2] - 16);
  }
  AddStatusBar(t.status);
  source_ = std::make_shared<const RasterImage>(std::move(source));
  Src_Img->SetPicture(*source_);

  connect(Bias_SpinE, &TSpinEdit::Changed, this, [this] {
    if (!Bias_SpinE->Text().isEmpty()) App().State().SharedBias = Bias_SpinE->Value();
  });
  connect(closeButton_, &QPushButton::clicked, this, &QDialog::close);
  for (TScaleImage* preview : results_)
    connect(preview, &TScaleImage::DoubleClicked, this, Guarded([this, preview] { Export(preview->Picture()); }));
}

void EightChannelDialog::showEvent(QShowEvent* event) {
  if (StyleFor(Src_Img->Picture(), Src_Img) == ssNormal) Src_Img->SetScaleStyle(ssNormal);
  ProcessingDialog::showEvent(event);
}

void EightChannelDialog::ShowResults(const AllChannels& all, const OneChannel& one) {
  const RasterImage& source = *source_;
  // Every result has the source's size.
  const TScaleStyle style = StyleFor(source, results_[0]);
  if (style == ssNormal) {
    std::array<RasterImage, 8> pictures = all(source);
    for (int channel = 0; channel < 8; ++channel) {
      results_[channel]->SetPicture(std::move(pictures[channel]));
      results_[channel]->SetScaleStyle(style);
    }
    return;
  }
  const int W = source.Width(), H = source.Height();
  const QRect target = TScaleImage::TargetRect(ssScale, results_[0]->Center(), results_[0]->width(),
                                               results_[0]->height(), W, H);
  const std::vector<int> columns = TScaleImage::SampleIndices(W, target.width());
  const std::vector<int> rows = TScaleImage::SampleIndices(H, target.height());
  std::array<RasterImage, 8> faces = all(NeighbourhoodMosaic(source, columns, rows));
  for (int channel = 0; channel < 8; ++channel) {
    auto face = std::make_shared<RasterImage>(MosaicCentres(faces[channel]));
    std::shared_ptr<const RasterImage> kept = source_;
    results_[channel]->SetScaleStyle(style);
    results_[channel]->SetDeferredPicture(
        W, H,
        [kept, one, channel] {
          WaitCursor wait;  // the full picture is being made now
          return one(*kept, channel);
        },
        [kept, one, channel, face, columns, rows](const std::vector<int>& c, const std::vector<int>& r) {
          RasterImage copy;
          if (c == columns && r == rows)
            copy.Assign(*face);
          else
            copy = MosaicCentres(one(NeighbourhoodMosaic(*kept, c, r), channel));
          return copy;
        });
  }
}

void EightChannelDialog::ShowPreparedResults(const PreparedChannel& channel) {
  // Both engines work out all three values of every pixel whatever the output:
  // outputs 0, 1, 2 are the greys of output 3's red, green and blue bytes, and
  // 4, 5, 6 those of output 7. Two runs give the eight pictures.
  ShowResults(
      [channel](const RasterImage& picture) {
        std::array<RasterImage, 8> results;
        ConvolveSource prepared;
        PrepareConvolveSource(prepared, picture);
        results[3] = channel(prepared, 3);
        results[7] = channel(prepared, 7);
        ReleaseWorkBuffers(prepared);
        SplitColourResults(results);
        return results;
      },
      [channel, kept = source_, colours = std::make_shared<std::array<RasterImage, 2>>()](
          const RasterImage& picture, int c) {
        const auto run = [&channel, &picture](int output) {
          // The HSI buffer only for outputs 4 to 7.
          ConvolveSource prepared;
          PrepareConvolveSource(prepared, picture, output >= 4);
          RasterImage result = channel(prepared, output);
          ReleaseWorkBuffers(prepared);
          return result;
        };
        if (&picture != kept.get()) return run(c);  // a mosaic of other samples
        // A full picture when first read: the colour output of its side is
        // made once and kept, so the other three of that side are its bytes.
        RasterImage& colour = (*colours)[c >= 4 ? 1 : 0];
        if (!colour.HasImage()) colour = run(c >= 4 ? 7 : 3);
        if (c % 4 != 3) return RGBModelImage(c % 4, colour);
        RasterImage copy;
        copy.Assign(colour);
        return copy;
      });
}

}  // namespace tessalin
