#include "widgets/picture_preview.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>

namespace tessalin {

void AddPicturePreview(QFileDialog& dialog) {
  auto* layout = qobject_cast<QGridLayout*>(dialog.layout());
  if (!layout) return;
  auto* preview = new QLabel(&dialog);
  preview->setObjectName("Preview_Img");
  preview->setFixedSize(160, 160);
  preview->setAlignment(Qt::AlignCenter);
  preview->setFrameShape(QFrame::StyledPanel);
  layout->addWidget(preview, 1, layout->columnCount(), 1, 1);
  QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
    QImageReader reader(path);
    const QSize size = reader.size();
    // The toolkit's reader scales while it decodes; a huge or unknown file shows nothing.
    if (size.isValid() && static_cast<qint64>(size.width()) * size.height() <= 40'000'000) {
      reader.setScaledSize(size.scaled(preview->size(), Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
      preview->setPixmap(QPixmap::fromImage(reader.read()));
    } else {
      preview->clear();
    }
  });
}

}  // namespace tessalin
