// TMain_Frm: the MDI frame. Holds the document windows, the tool bar, the
// status bar with six panels and a simple text, and the batch progress bar;
// opens files, creates result windows, keeps tool buttons and menus in step
// with the active document, routes hints, and governs Close All and Exit.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_prompts.h"
#include "widgets/app_services.h"

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QProgressBar;
class QToolButton;
class QAction;

namespace tessalin {

class TMDIChild;

class TMain_Frm : public QMainWindow, public AppServices {
  Q_OBJECT

 public:
  // `prompts` answers every question; the real dialogs when null.
  explicit TMain_Frm(std::unique_ptr<FramePrompts> prompts = nullptr, QWidget* parent = nullptr);
  ~TMain_Frm() override;

  // Shows the frame maximised and runs the splash command when there is one.
  void StartUp();

  // AppServices
  SharedState& State() override { return state_; }
  UserPrompts& Prompts() override { return *prompts_; }
  FileContext MakeFileContext() override;
  ProgressSink& Progress() override;
  void ShowProgressBar(bool visible) override;
  void CreateImageChild(const std::string& fileName, const RasterImage& raster) override;
  void CreateResultChild(const std::string& name, const RasterImage& raster) override;
  void TileAndFitChildren() override;
  int ChildCount() const override { return static_cast<int>(documents_.size()); }
  const RasterImage* ActiveDocumentPicture() const override;
  QString AskOpenFileName(const QString& title, int filterIndex) override;
  void SetApplicationHint(const QString& hint) override;
  QWidget* FrameWidget() override { return this; }
  void SuspendMenuUpdates(bool suspended) override;

  FramePrompts& Questions() { return *prompts_; }
  BusyCursor& Cursor();
  // The save dialog "Image SaveAs...." proposing `proposedName`; it remembers
  // the folder and the filter index of the last choice.
  FileChoice RunSaveDialog(const QString& proposedName);

  void ShowImageInfo(const RasterImage& raster);
  void UpdateMenuItems();
  void SetPanelText(int panel, const QString& text);
  QString PanelText(int panel) const;
  QString SimpleText() const { return simpleText_; }
  // While the mouse is over a window a recipe made, its name shows beside the
  // panels (the panels keep the pixel under the mouse); empty hides it again.
  void ShowRecipeName(const QString& name);
  bool StatusSimpleMode() const { return simpleMode_; }

  TMDIChild* ActiveDocument() const;
  // The document windows in the frame's window order (oldest first).
  const std::vector<TMDIChild*>& Documents() const { return documents_; }
  QMdiArea* MdiArea() const { return mdi_; }
  QToolButton* ToolButton(const char* name) const;

  // Runs a command handler; engine errors and out-of-memory end the command
  // with the standard error box and leave every window as it was.
  void RunGuarded(const std::function<void()>& body) override;
  // Runs a registered command; false when nobody registered `name`.
  bool RunAppCommand(const std::string& name, const RasterImage* source, int tag);
  static bool HasAppCommand(const std::string& name);

  // Close All state, set by the documents' close questions.
  bool NoToAll = false;
  bool CloseAllCancelled = false;

  void Tile();
  void Cascade();
  // Window > Link Views: while checked, zooming or scrolling one document
  // window brings every other one to the same zoom and picture point.
  QAction* LinkViewsItem() const { return linkViewsItem_; }
  void DocumentViewChanged(TMDIChild* source);
  void ArrangeIcons();
  void MinimizeAll();

 public slots:
  void FileOpenItemClick();
  void FileWizardItemClick();
  void FileExitItemClick();
  void FileCloseAllItemClick();
  void FilePastewithNewItemClick();
  void PastewithNewToolBtnClick();
  void CopyToolBtnClick();
  void CutToolBtnClick();
  void SelectToolBtnClick();
  void SaveToolBtnClick();
  void Process1ToolBtnClick() { ProcessToolBtnClick(1); }
  void Process2ToolBtnClick() { ProcessToolBtnClick(2); }
  void Process3ToolBtnClick() { ProcessToolBtnClick(3); }
  void Process4ToolBtnClick() { ProcessToolBtnClick(4); }
  void ProcessToolBtnClick(int number);
  void HelpContentsItemClick();
  void HelpAboutItemClick();
  void HelpOrbentaHomePage1Click();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;  // FormResize
  void closeEvent(QCloseEvent* event) override;    // FormCloseQuery

 private:
  friend class TMDIChild;
  class FrameProgress;
  class FrameCursor;

  TMDIChild* NewChild();
  QMdiSubWindow* AddChildWindow(TMDIChild* child, const RasterImage* raster);
  void DiscardChild(TMDIChild* child);
  void DocumentGone(TMDIChild* child);
  void BuildToolBar();
  void BuildMenus();
  void BuildStatusBar();
  void RefreshMenuBar();
  void ApplyStatusMode();
  bool ClipboardHasBitmap() const;
  bool ShowHint(QObject* watched, QEvent* event);

  std::unique_ptr<FramePrompts> prompts_;
  SharedState state_;
  std::unique_ptr<FrameProgress> progress_;
  std::unique_ptr<FrameCursor> cursor_;
  std::vector<TMDIChild*> documents_;

  QMdiArea* mdi_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QLabel* panels_[6] = {};
  QLabel* simpleLabel_ = nullptr;
  QString simpleText_;
  bool simpleMode_ = true;
  std::vector<QMenu*> frameMenus_;
  QAction* hiddenPasteItem_ = nullptr;
  QAction* linkViewsItem_ = nullptr;
  bool linkingViews_ = false;
  QString lastOpenName_;
  QString openDir_;
  QString saveDir_;
  int saveFilterIndex_ = 1;
  int openFilterIndex_ = 1;
  bool firstHintShown_ = false;
  bool updatingMenus_ = false;
  bool menuUpdatesSuspended_ = false;
};

// The hint pause of the application (the tooltip wake-up delay), in ms.
void SetHintPause(int milliseconds);
// Installs the style that carries the hint pause; main() calls it once.
void InstallHintStyle();

}  // namespace tessalin
