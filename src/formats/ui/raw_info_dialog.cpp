#include "formats/ui/raw_info_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "formats/raw_import.h"

namespace tessalin {

namespace {

// Each hint doubles as tooltip and status tip, as the frame routes hints.
void SetHint(QWidget* widget, const char* hint) {
  widget->setToolTip(QString::fromLatin1(hint));
  widget->setStatusTip(QString::fromLatin1(hint));
}

// The value of an integer field; 0 when the text is not a number.
int FieldValue(const QLineEdit* edit) {
  bool ok = false;
  const int value = edit->text().trimmed().toInt(&ok);
  return ok ? value : 0;
}

}  // namespace

TRawInfo_Dlg_Frm::TRawInfo_Dlg_Frm(UserPrompts& prompts, QWidget* parent) : QDialog(parent), prompts_(prompts) {
  setObjectName("TRawInfo_Dlg_Frm");
  setWindowTitle("RawImage Info");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* label3 = new QLabel("Describe", this);
  label3->setObjectName("Label3");
  fileSizeLbl_ = new QLabel("(0 bytes)", this);
  fileSizeLbl_->setObjectName("FileSize_Lbl");
  SetHint(fileSizeLbl_, "current filesize");
  fileNameLbl_ = new QLabel("\"FileName\"", this);
  fileNameLbl_->setObjectName("FileName_Lbl");
  fileNameLbl_->setWordWrap(true);
  fileNameLbl_->setMinimumSize(197, 32);
  SetHint(fileNameLbl_, "current filename");

  auto* dim = new QGroupBox("Dimension", this);
  dim->setObjectName("Dim_GrpBox");
  auto* label1 = new QLabel("Height:", dim);
  label1->setObjectName("Label1");
  heightEdit_ = new QLineEdit("0", dim);
  heightEdit_->setObjectName("Height_Edit");
  SetHint(heightEdit_, "raw image height");
  auto* label4 = new QLabel("Pixels", dim);
  label4->setObjectName("Label4");
  auto* label2 = new QLabel("Width:", dim);
  label2->setObjectName("Label2");
  widthEdit_ = new QLineEdit("0", dim);
  widthEdit_->setObjectName("Width_Edit");
  SetHint(widthEdit_, "raw image width");
  auto* label5 = new QLabel("Pixels", dim);
  label5->setObjectName("Label5");
  auto* dimLayout = new QGridLayout(dim);
  dimLayout->addWidget(label1, 0, 0);
  dimLayout->addWidget(heightEdit_, 0, 1);
  dimLayout->addWidget(label4, 0, 2);
  dimLayout->addWidget(label2, 1, 0);
  dimLayout->addWidget(widthEdit_, 1, 1);
  dimLayout->addWidget(label5, 1, 2);

  auto* channel = new QGroupBox("Channel", this);
  channel->setObjectName("PfBit_RdoGrp");
  SetHint(channel, "raw image bitcount");
  pfBitGroup_ = new QButtonGroup(this);
  auto* channelLayout = new QGridLayout(channel);
  const char* items[] = {"1bit", "8bit", "16bit", "24bit"};
  for (int i = 0; i < 4; ++i) {
    auto* button = new QRadioButton(items[i], channel);
    button->setObjectName(QString("PfBit_RdoGrp_Item%1").arg(i));
    pfBitGroup_->addButton(button, i);
    channelLayout->addWidget(button, i / 2, i % 2);  // two columns
  }
  pfBitGroup_->button(1)->setChecked(true);

  auto* swap = new QPushButton("&Swap", this);
  swap->setObjectName("Swap_Btn");
  SetHint(swap, "exchange current width and height");
  auto* open = new QPushButton("&Open", this);
  open->setObjectName("Open_Btn");
  SetHint(open, "open raw iamge with current setting");
  open->setDefault(true);
  auto* cancel = new QPushButton("&Cancel", this);
  cancel->setObjectName("Cancel_Btn");
  SetHint(cancel, "exit");

  auto* top = new QVBoxLayout(this);
  auto* describe = new QHBoxLayout;
  describe->addWidget(label3);
  describe->addWidget(fileSizeLbl_);
  describe->addStretch();
  top->addLayout(describe);
  top->addWidget(fileNameLbl_);
  top->addWidget(dim);
  top->addWidget(channel);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(swap);
  buttons->addStretch();
  buttons->addWidget(open);
  buttons->addWidget(cancel);
  top->addLayout(buttons);
  top->setSizeConstraint(QLayout::SetFixedSize);

  connect(swap, &QPushButton::clicked, this, &TRawInfo_Dlg_Frm::Swap_BtnClick);
  connect(open, &QPushButton::clicked, this, &TRawInfo_Dlg_Frm::Open_BtnClick);
  connect(cancel, &QPushButton::clicked, this, &TRawInfo_Dlg_Frm::Cancel_BtnClick);
  dim->setFocus();
}

void TRawInfo_Dlg_Frm::SetRawFile(const std::string& fileName) {
  rawFile_ = fileName;
  fileNameLbl_->setText("\"" + QString::fromStdString(fileName) + "\"");
  const RawProposal proposal = ProposeRawSize(fileName);
  fileSize_ = proposal.fileSize;
  fileSizeLbl_->setText("(" + QString::number(fileSize_) + " bytes)");
  heightEdit_->setText(QString::number(proposal.height));
  widthEdit_->setText(QString::number(proposal.width));
}

void TRawInfo_Dlg_Frm::RethrowError() {
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

void TRawInfo_Dlg_Frm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  heightEdit_->setFocus();
}

void TRawInfo_Dlg_Frm::Swap_BtnClick() {
  bool ok = false;
  const int height = heightEdit_->text().trimmed().toInt(&ok);
  if (!ok) {
    // The conversion error of the platform; the fields stay as they were.
    prompts_.ShowMessage("'" + heightEdit_->text().toStdString() + "' is not a valid integer value");
    return;
  }
  heightEdit_->setText(widthEdit_->text());
  widthEdit_->setText(QString::number(height));
}

void TRawInfo_Dlg_Frm::Open_BtnClick() {
  const int height = FieldValue(heightEdit_);
  const int width = FieldValue(widthEdit_);
  const int layout = pfBitGroup_->checkedId();
  const RawCheck check = CheckRawSize(fileSize_, height, width, layout);
  if (check == RawCheck::Invalid) {
    prompts_.ShowMessage(kRawInvalidSizeMessage);
    heightEdit_->setFocus();
    return;
  }
  if (check == RawCheck::SmallerThanFile && !prompts_.Confirm(kRawSmallerConfirmMessage)) {
    heightEdit_->setFocus();
    return;
  }
  try {
    result_ = ReadRawFile(rawFile_, height, width, layout);
  } catch (...) {
    // Ends the load; the caller shows it once the modal loop is over.
    error_ = std::current_exception();
    reject();
    return;
  }
  accept();
}

void TRawInfo_Dlg_Frm::Cancel_BtnClick() { reject(); }

}  // namespace tessalin
