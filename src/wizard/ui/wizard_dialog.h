// TWizard_Frm: the modal dialog that opens every wizard run. Up to four pages
// ask for the mode, source type, scale and result type; each answer is stored
// in the wizard settings the moment it is clicked.
#pragma once

#include <QDialog>

#include "core/shared_state.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace tessalin {

class TWizard_Frm : public QDialog {
  Q_OBJECT

 public:
  // Resets `settings` to One Click, picture, 100 %, simple; the dialog writes
  // into them while it is shown, so they must outlive it.
  explicit TWizard_Frm(WizardSettings& settings, QWidget* parent = nullptr);

  static constexpr int kPageCount = 4;
  // The caption shown when page `page` is entered.
  static QString PageTitle(int page);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void wMode_RBtnClick(QRadioButton* button);
  void SrcType_RBtnClick(QRadioButton* button);
  void ScaleType_RBtnClick(QRadioButton* button);
  void ResultType_RBtnClick(QRadioButton* button);
  void Next_BitBtnClick();
  void ResultType_RBtnDblClick();
  void Wizard_NoteBookPageChanged(int page);
  void Calcel_BitBtnClick();

  QWidget* MakePage(const char* name, const char* heading, const QString& picture, QLabel** pictureLabel);
  QRadioButton* AddRadio(QWidget* page, const char* name, const char* caption, int tag, int y);

  WizardSettings& settings_;
  QStackedWidget* Wizard_NoteBook = nullptr;
  QLabel* Mode1_Img = nullptr;
  QLabel* Mode2_Img = nullptr;
  QRadioButton* WMode1_RBtn = nullptr;
  QRadioButton* WMode2_RBtn = nullptr;
  QRadioButton* SrcType0_RBtn = nullptr;
  QRadioButton* ScaleType1_RBtn = nullptr;
  QRadioButton* ResultType0_RBtn = nullptr;
  QPushButton* Next_BitBtn = nullptr;
  QPushButton* Calcel_BitBtn = nullptr;
  bool finishes_ = false;  // the Next button closes with OK (last page)
};

}  // namespace tessalin
