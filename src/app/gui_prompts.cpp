#include "app/gui_prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "formats/ui/gif_info_dialog.h"
#include "formats/ui/raw_info_dialog.h"
#include "widgets/picture_preview.h"

namespace tessalin {

namespace {

const ImageFilter kFilters[] = {
    {"All Format(*.*)", "*.bmp;*.gif;*.ico;*.wmf;*.emf;*.jpg;*.jpgs;*.raw;*.wbmp"},
    {"Bitmaps (*.bmp)", "*.bmp"},
    {"Gifs (*.gif)", "*.gif"},
    {"Icons (*.ico)", "*.ico"},
    {"(Enhanced) Metafiles (*.wmf;*.emf)", "*.wmf;*.emf"},
    {"Jpegs (*.jpg;*.jpgs;*.jpeg)", "*.jpg;*.jpgs;*.jpeg"},
    {"Raws(*.raw)", "*.raw"},
    {"WBmp(*.wbmp)", "*.wbmp"},
    {"PNG(*.png)", "*.png"},
    {"Netpbm(*.pbm;*.pgm;*.ppm;*.pnm;*.pam)", "*.pbm;*.pgm;*.ppm;*.pnm;*.pam"},
    {"XBM(*.xbm)", "*.xbm"},
};

QString Title() { return QApplication::applicationName(); }

// Boxes go on top of whatever modal dialog asked (the raw or GIF dialog).
QWidget* BoxParent(QWidget* fallback) {
  QWidget* modal = QApplication::activeModalWidget();
  return modal ? modal : fallback;
}

// The 1-based index of a filter as the dialog reports it: the whole filter, or
// (with the patterns hidden) its caption alone.
int FilterIndexOf(const QString& shown) {
  const QStringList filters = ImageFilterStrings();
  for (int i = 0; i < filters.size(); ++i)
    if (shown == filters[i] || shown.trimmed() == QString::fromLatin1(kFilters[i].caption)) return i + 1;
  return 1;
}

FileChoice RunFileDialog(QWidget* parent, const QString& title, const QString& dir, const QString& proposedName,
                         int filterIndex, bool save) {
  QFileDialog dialog(parent, title, dir);
  dialog.setObjectName(save ? "Img_SaveDlg" : "Img_OpenDlg");
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
  const QStringList filters = ImageFilterStrings();
  dialog.setNameFilters(filters);
  if (filterIndex >= 1 && filterIndex <= filters.size()) dialog.selectNameFilter(filters[filterIndex - 1]);
  if (save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // No default suffix here: Save As appends the extension of the chosen
    // filter (".bmp" for the first two), which is the dialog's default extension.

  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  AddPicturePreview(dialog);
  if (!proposedName.isEmpty()) dialog.selectFile(proposedName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return {dialog.selectedFiles().first(), FilterIndexOf(dialog.selectedNameFilter())};
}

}  // namespace

const ImageFilter* ImageFilters() { return kFilters; }
int ImageFilterCount() { return static_cast<int>(std::size(kFilters)); }

QStringList ImageFilterStrings() {
  QStringList list;
  for (const ImageFilter& f : kFilters)
    list << QString::fromLatin1(f.caption) + " (" + QString::fromLatin1(f.patterns).replace(';', ' ') + ")";
  return list;
}

QString ExtensionForFilterIndex(int filterIndex) {
  switch (filterIndex) {
    case 3: return ".gif";
    case 4: return ".ico";
    case 5: return ".wmf";
    case 6: return ".jpg";
    case 7: return ".raw";
    case 8: return ".wbmp";
    default: return ".bmp";
  }
}

QString MessageText(const std::string& text) {
  QString s = QString::fromStdString(text);
  s.replace("\r\n", "\n");
  s.replace('\r', '\n');
  return s;
}

void GuiPrompts::ShowMessage(const std::string& text) {
  QMessageBox::information(BoxParent(parent_), Title(), MessageText(text));
}

bool GuiPrompts::Confirm(const std::string& text) {
  return QMessageBox::question(BoxParent(parent_), Title(), MessageText(text), QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

bool GuiPrompts::RunRawImport(const std::string& fileName, RasterImage& result) {
  TRawInfo_Dlg_Frm dialog(*this, parent_);
  dialog.SetRawFile(fileName);
  const bool accepted = dialog.exec() == QDialog::Accepted;
  dialog.RethrowError();
  if (!accepted) return false;
  result = dialog.TakeResult();
  return result.HasImage();
}

void GuiPrompts::BrowseGifFrames(const std::string& fileName) {
  if (!results_) return;
  TGifInfo_Dlg_Frm dialog(*results_, *this, parent_);
  dialog.LoadGifFrames(fileName);
  dialog.exec();
}

FileChoice GuiPrompts::AskOpenImage(const QString& title, const QString& dir, const QString& proposedName,
                                    int filterIndex) {
  return RunFileDialog(parent_, title, dir, proposedName, filterIndex, false);
}

FileChoice GuiPrompts::AskSaveImage(const QString& title, const QString& dir, const QString& proposedName,
                                    int filterIndex) {
  return RunFileDialog(parent_, title, dir, proposedName, filterIndex, true);
}

CloseAnswer GuiPrompts::AskSaveBeforeClose(const std::string& text, bool offerNoToAll) {
  QMessageBox box(QMessageBox::Question, "Confirm", MessageText(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
  QPushButton* noToAll = nullptr;
  if (offerNoToAll) {
    noToAll = box.addButton(QMessageBox::Ignore);
    noToAll->setText("No to &All");
  }
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  box.exec();
  if (noToAll && box.clickedButton() == noToAll) return CloseAnswer::NoToAll;
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes: return CloseAnswer::Yes;
    case QMessageBox::No: return CloseAnswer::No;
    default: return CloseAnswer::Cancel;
  }
}

bool GuiPrompts::ConfirmExit(const std::string& text) {
  return QMessageBox::question(parent_, "Confirm", MessageText(text), QMessageBox::Yes | QMessageBox::Cancel) ==
         QMessageBox::Yes;
}

void GuiPrompts::ShowError(const std::string& text) {
  QMessageBox::critical(BoxParent(parent_), Title(), MessageText(text));
}

}  // namespace tessalin
