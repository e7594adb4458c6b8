#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QHelpEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QProxyStyle>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <new>

#include "app/document_window.h"
#include "app/gui_prompts.h"
#include "core/tessalin_error.h"
#include "widgets/command_registry.h"
#include "widgets/picture_view.h"
#include "widgets/processing_dialog.h"
#include "widgets/qt_raster.h"

namespace tessalin {

namespace {

int g_hintPause = 20;

class HintStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == QStyle::SH_ToolTip_WakeUpDelay) return g_hintPause;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

const char* const kPanelInitialTexts[6] = {"[R:000 G:000 B:000]", "[H:000 S:000 I:000]", "PixelFmt",
                                           "Pos[Y:0, X:0]",       "Height:0, Width:0",    "Selected[Y:0, X:0]"};

// Tooltip colours: Color 0xFFFF00 (aqua) normally, 0x00FFFF (yellow) with documents open.
void SetTooltipColour(const QColor& colour) {
  QPalette palette = QToolTip::palette();
  palette.setColor(QPalette::ToolTipBase, colour);
  palette.setColor(QPalette::ToolTipText, Qt::black);
  QToolTip::setPalette(palette);
}

// The sub-window's own Close item takes Ctrl+W and Ctrl+F4 on Linux; the
// document's menu already closes on Ctrl+F4 and Ctrl+W is the wizard's, so the
// two keys would otherwise be ambiguous and do nothing.
void ReleaseSystemMenuKeys(QMdiSubWindow* sub) {
  if (QMenu* menu = sub->systemMenu())
    for (QAction* action : menu->actions()) action->setShortcuts({});
}

}  // namespace

void SetHintPause(int milliseconds) { g_hintPause = milliseconds; }
void InstallHintStyle() { QApplication::setStyle(new HintStyle); }

// The frame's progress bar and the application hint.
class TMain_Frm::FrameProgress : public CountingProgressSink {
 public:
  explicit FrameProgress(TMain_Frm& frame) : frame_(frame) {}
  void ProgressStart(int maximum, int step) override {
    CountingProgressSink::ProgressStart(maximum, step);
    frame_.progressBar_->setValue(0);
  }

 protected:
  void OnHint(const std::string& hint, int percent) override {
    frame_.progressBar_->setValue(percent);
    frame_.SetApplicationHint(QString::fromStdString(hint));
  }

 private:
  TMain_Frm& frame_;
};

class TMain_Frm::FrameCursor : public BusyCursor {
 public:
  void SetBusy(bool busy) override {
    if (busy && !busy_) QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!busy && busy_) QApplication::restoreOverrideCursor();
    busy_ = busy;
  }
  ~FrameCursor() override { SetBusy(false); }

 private:
  bool busy_ = false;
};

TMain_Frm::TMain_Frm(std::unique_ptr<FramePrompts> prompts, QWidget* parent)
    : QMainWindow(parent),
      prompts_(prompts ? std::move(prompts) : std::make_unique<GuiPrompts>(this, this)),
      progress_(std::make_unique<FrameProgress>(*this)),
      cursor_(std::make_unique<FrameCursor>()) {
  setObjectName("TMain_Frm");
  setWindowTitle("Tessalin of Velkora");
  setWindowIcon(QIcon(":/tessalin/app_icon.png"));

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  mdi_ = new QMdiArea(central);
  mdi_->setObjectName("MDIClient");
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  const QPixmap tile(":/tessalin/background_tile.png");
  if (!tile.isNull()) mdi_->setBackground(QBrush(tile));  // BkGnd_Img, tiled
  mdi_->viewport()->installEventFilter(this);
  progressBar_ = new QProgressBar(central);
  progressBar_->setObjectName("ProgressBar");
  progressBar_->setRange(0, 100);
  progressBar_->setFixedHeight(10);
  progressBar_->setTextVisible(false);
  progressBar_->hide();
  layout->addWidget(mdi_, 1);
  layout->addWidget(progressBar_);
  setCentralWidget(central);

  BuildToolBar();
  BuildStatusBar();
  BuildMenus();

  if (QScreen* screen = QGuiApplication::primaryScreen()) resize(screen->availableSize());

  connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { UpdateMenuItems(); });
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { UpdateMenuItems(); });
  qApp->installEventFilter(this);
  SetTooltipColour(QColor(0x00, 0xFF, 0xFF));
  UpdateMenuItems();
}

TMain_Frm::~TMain_Frm() {
  qApp->removeEventFilter(this);
  // The documents go before the frame's members they refer to.
  disconnect(mdi_, nullptr, this, nullptr);
  disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
  updatingMenus_ = true;
  for (TMDIChild* child : std::vector<TMDIChild*>(documents_)) delete child->SubWindow();
  documents_.clear();
  // A window already taken off the list (a Close All stopped half way) may still
  // be in the area; it must not call back into a frame that is being destroyed.
  for (TMDIChild* child : findChildren<TMDIChild*>()) disconnect(child, nullptr, this, nullptr);
}

void TMain_Frm::StartUp() {
  showMaximized();
  RunAppCommand("splash", nullptr, 0);
}

QToolButton* TMain_Frm::ToolButton(const char* name) const { return findChild<QToolButton*>(name); }

void TMain_Frm::BuildToolBar() {
  auto* bar = new QToolBar("Main_ToolBar", this);
  bar->setObjectName("Main_ToolBar");
  bar->setMovable(false);
  bar->setIconSize(QSize(20, 20));
  addToolBar(Qt::TopToolBarArea, bar);
  auto add = [&](const char* name, const char* hint, const char* icon, void (TMain_Frm::*slot)()) {
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setStatusTip(hint);
    button->setAutoRaise(true);  // flat
    button->setFixedSize(24, 24);
    button->setIcon(QIcon(QString(":/tessalin/%1.png").arg(icon)));
    bar->addWidget(button);
    connect(button, &QToolButton::clicked, this, slot);
    return button;
  };
  add("OpenToolBtn", "File Open", "icon_open", &TMain_Frm::FileOpenItemClick);
  add("SaveToolBtn", "Save current file as...", "icon_save", &TMain_Frm::SaveToolBtnClick);
  add("WizardToolBtn", "Run Wizard", "icon_wizard", &TMain_Frm::FileWizardItemClick);
  bar->addSeparator();
  add("SelectToolBtn", "Select Area", "icon_select", &TMain_Frm::SelectToolBtnClick)->setCheckable(true);
  add("CutToolBtn", "Cut Selected Area", "icon_cut", &TMain_Frm::CutToolBtnClick);
  add("CopyToolBtn", "Copy Selected Area", "icon_copy", &TMain_Frm::CopyToolBtnClick);
  add("PastewithNewToolBtn", "Paste into New window from clipboard", "icon_paste",
      &TMain_Frm::PastewithNewToolBtnClick);
  bar->addSeparator();
  add("Process1ToolBtn", "Quick process1", "icon_process1", &TMain_Frm::Process1ToolBtnClick);
  add("Process2ToolBtn", "Quick process2", "icon_process2", &TMain_Frm::Process2ToolBtnClick);
  add("Process3ToolBtn", "Quick process3", "icon_process3", &TMain_Frm::Process3ToolBtnClick);
  add("Process4ToolBtn", "Quick process4", "icon_process4", &TMain_Frm::Process4ToolBtnClick);
  bar->addSeparator();
  add("HelpToolBtn", "Show Help Contents", "icon_help", &TMain_Frm::HelpContentsItemClick);
  add("ExitToolBtn", "Exit Tessalin", "icon_exit", &TMain_Frm::FileExitItemClick);
  ToolButton("CutToolBtn")->setEnabled(false);
  ToolButton("CopyToolBtn")->setEnabled(false);
  ToolButton("WizardToolBtn")->setEnabled(HasAppCommand("wizard"));
  ToolButton("HelpToolBtn")->setEnabled(HasAppCommand("help"));
}

void TMain_Frm::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar");
  bar->setSizeGripEnabled(false);
  simpleText_ = "Thanks for using our Velkora, Be Happy!";
  simpleLabel_ = new QLabel(simpleText_, bar);
  simpleLabel_->setObjectName("SimpleText");
  bar->addWidget(simpleLabel_, 1);
  for (int i = 0; i < 6; ++i) {
    panels_[i] = new QLabel(kPanelInitialTexts[i], bar);
    panels_[i]->setObjectName(QString("Panel%1").arg(i));
    panels_[i]->setFrameShape(QFrame::Panel);
    panels_[i]->setFrameShadow(QFrame::Sunken);
    panels_[i]->setFixedWidth(100);
    bar->addWidget(panels_[i]);
  }
  ApplyStatusMode();
}

void TMain_Frm::BuildMenus() {
  auto item = [this](QMenu* menu, const char* name, const char* caption, const QKeySequence& shortcut,
                     void (TMain_Frm::*slot)()) {
    QAction* action = menu ? menu->addAction(caption) : new QAction(caption, this);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    if (slot) connect(action, &QAction::triggered, this, slot);
    else action->setEnabled(false);
    return action;
  };
  auto* file = new QMenu("&File", this);
  file->setObjectName("FileMenu");
  item(file, "FileOpenItem", "&Open", QKeySequence("Ctrl+O"), &TMain_Frm::FileOpenItemClick);
  item(file, "FileWizardItem", "&Wizard", QKeySequence("Ctrl+W"), &TMain_Frm::FileWizardItemClick)
      ->setEnabled(HasAppCommand("wizard"));
  file->addSeparator();
  item(file, "FileExitItem", "&Exit", QKeySequence("Alt+X"), &TMain_Frm::FileExitItemClick);
  // Hidden items: actions of the frame that no menu shows.
  addAction(item(nullptr, "FileCloseAllItem", "CloseAll", QKeySequence(), &TMain_Frm::FileCloseAllItemClick));
  hiddenPasteItem_ =
      item(nullptr, "FilePastewithNewItem", "PastewithNew", QKeySequence("Ctrl+V"),
           &TMain_Frm::FilePastewithNewItemClick);
  addAction(hiddenPasteItem_);

  auto* help = new QMenu("&Help", this);
  help->setObjectName("HelpMenu");
  item(help, "HelpContentsItem", "&Contents", QKeySequence("F1"), &TMain_Frm::HelpContentsItemClick)
      ->setEnabled(HasAppCommand("help"));
  help->addSeparator();
  item(help, "HelpWhatsNewItem", "&What's New", QKeySequence(), nullptr);
  item(help, "HelpGettingStartedItem", "&Getting Started", QKeySequence(), nullptr);
  item(help, "HelpKeyWordSearchItem", "&KeyWord Search", QKeySequence(), nullptr);
  help->addSeparator();
  item(help, "HelpOrbentaHomePage1", "&Velkora HomePage", QKeySequence(), &TMain_Frm::HelpOrbentaHomePage1Click)
      ->setEnabled(HasAppCommand("homepage"));
  item(help, "HelpAboutItem", "&About", QKeySequence(), &TMain_Frm::HelpAboutItemClick)
      ->setEnabled(HasAppCommand("about"));
  frameMenus_ = {file, help};
  linkViewsItem_ = new QAction("&Link Views", this);
  linkViewsItem_->setObjectName("Window_LinkViewsItem");
  linkViewsItem_->setCheckable(true);
  connect(linkViewsItem_, &QAction::toggled, this, [this](bool linked) {
    if (TMDIChild* active = ActiveDocument(); linked && active) DocumentViewChanged(active);
  });
  RefreshMenuBar();
}

void TMain_Frm::RefreshMenuBar() {
  TMDIChild* active = ActiveDocument();
  const std::vector<QMenu*>& wanted = active ? active->Menus() : frameMenus_;
  QMenuBar* bar = menuBar();
  QList<QAction*> current = bar->actions();
  bool same = current.size() == static_cast<qsizetype>(wanted.size());
  for (size_t i = 0; same && i < wanted.size(); ++i) same = current[static_cast<qsizetype>(i)] == wanted[i]->menuAction();
  if (same) return;
  bar->clear();
  for (QMenu* menu : wanted) bar->addMenu(menu);
}

void TMain_Frm::ApplyStatusMode() {
  simpleLabel_->setVisible(simpleMode_);
  simpleLabel_->setText(simpleText_);
  for (QLabel* panel : panels_) panel->setVisible(!simpleMode_);
}

void TMain_Frm::ShowRecipeName(const QString& name) {
  if (simpleMode_) return;  // no document: the simple text is the hints'
  simpleLabel_->setText(name.isEmpty() ? simpleText_ : name);
  simpleLabel_->setVisible(!name.isEmpty());
}

void TMain_Frm::SetPanelText(int panel, const QString& text) {
  if (panel >= 0 && panel < 6) panels_[panel]->setText(text);
}

QString TMain_Frm::PanelText(int panel) const { return panel >= 0 && panel < 6 ? panels_[panel]->text() : QString(); }

void TMain_Frm::SetApplicationHint(const QString& hint) {
  // An active processing dialog shows the hint in its own status bar.
  if (RouteApplicationHint(hint)) return;
  simpleText_ = hint;
  simpleLabel_->setText(hint);
}

FileContext TMain_Frm::MakeFileContext() { return FileContext{*prompts_, *this, state_, cursor_.get()}; }

ProgressSink& TMain_Frm::Progress() { return *progress_; }

BusyCursor& TMain_Frm::Cursor() { return *cursor_; }

void TMain_Frm::ShowProgressBar(bool visible) { progressBar_->setVisible(visible); }

TMDIChild* TMain_Frm::ActiveDocument() const {
  auto isOpen = [this](QMdiSubWindow* sub) -> TMDIChild* {
    auto* child = sub ? qobject_cast<TMDIChild*>(sub->widget()) : nullptr;
    return child && std::find(documents_.begin(), documents_.end(), child) != documents_.end() ? child : nullptr;
  };
  if (TMDIChild* child = isOpen(mdi_->currentSubWindow())) return child;
  // While a modal box has the focus the area reports no current window: take
  // the most recently activated document that is still open.
  const QList<QMdiSubWindow*> history = mdi_->subWindowList(QMdiArea::ActivationHistoryOrder);
  for (auto it = history.rbegin(); it != history.rend(); ++it)
    if (TMDIChild* child = isOpen(*it)) return child;
  return nullptr;
}

const RasterImage* TMain_Frm::ActiveDocumentPicture() const {
  TMDIChild* active = ActiveDocument();
  return active ? &active->Picture() : nullptr;
}

QString TMain_Frm::AskOpenFileName(const QString& title, int filterIndex) {
  const FileChoice choice = prompts_->AskOpenImage(title, openDir_, lastOpenName_, filterIndex);
  if (!choice.path.isEmpty()) {
    openDir_ = QFileInfo(choice.path).absolutePath();
    lastOpenName_ = QFileInfo(choice.path).fileName();
  }
  return choice.path;
}

FileChoice TMain_Frm::RunSaveDialog(const QString& proposedName) {
  FileChoice choice = prompts_->AskSaveImage("Image SaveAs....", saveDir_, proposedName, saveFilterIndex_);
  if (!choice.path.isEmpty()) {
    saveDir_ = QFileInfo(choice.path).absolutePath();
    if (choice.filterIndex >= 1 && choice.filterIndex <= ImageFilterCount()) saveFilterIndex_ = choice.filterIndex;
  }
  return choice;
}

TMDIChild* TMain_Frm::NewChild() {
  auto* child = new TMDIChild(*this);
  documents_.push_back(child);
  connect(child, &QObject::destroyed, this, [this, child] { DocumentGone(child); });
  return child;
}

QMdiSubWindow* TMain_Frm::AddChildWindow(TMDIChild* child, const RasterImage* raster) {
  if (raster && raster->HasImage()) child->SetPicture(*raster);
  QMdiSubWindow* sub = mdi_->addSubWindow(child);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  ReleaseSystemMenuKeys(sub);
  sub->installEventFilter(child);
  sub->resize(sub->sizeHint());
  // Wide enough for the caption to be read.
  const int captionWidth = sub->fontMetrics().horizontalAdvance(child->windowTitle()) + 110;
  if (sub->width() < captionWidth) sub->resize(captionWidth, sub->height());
  sub->show();
  mdi_->setActiveSubWindow(sub);
  if (raster && raster->HasImage()) ShowImageInfo(*raster);
  return sub;
}

void TMain_Frm::CreateResultChild(const std::string& name, const RasterImage& raster) {
  TMDIChild* child = NewChild();
  try {
    child->Name = name;
    child->setWindowTitle(QString("Result%1").arg(documents_.size()));
    // The name of the recipe or command that made it, while the mouse is over it.
    child->setToolTip(QString::fromStdString(name));
    child->setStatusTip(QString::fromStdString(name));
    AddChildWindow(child, &raster);
  } catch (...) {
    DiscardChild(child);
    throw;
  }
  UpdateMenuItems();
}

void TMain_Frm::CreateImageChild(const std::string& fileName, const RasterImage& raster) {
  TMDIChild* child = NewChild();
  try {
    child->FileName = fileName;
    child->setWindowTitle(QFileInfo(QString::fromStdString(fileName)).fileName());
    child->Modified = false;
    AddChildWindow(child, &raster);
  } catch (...) {
    DiscardChild(child);
    throw;
  }
  UpdateMenuItems();
}

void TMain_Frm::DiscardChild(TMDIChild* child) {
  // A window that could not be completed (out of memory while copying its
  // picture) must not stay listed, half made, or leak.
  std::erase(documents_, child);
  if (QMdiSubWindow* sub = child->SubWindow()) delete sub;
  else delete child;
}

void TMain_Frm::DocumentGone(TMDIChild* child) {
  std::erase(documents_, child);
  ShowRecipeName({});  // the window under the mouse may be the one gone
  if (!updatingMenus_) UpdateMenuItems();
}

void TMain_Frm::ShowImageInfo(const RasterImage& raster) {
  int bits = BitsPerPixel(raster.Format());
  if (raster.Format() == PixelFormat::pfDevice)
    if (QScreen* screen = QGuiApplication::primaryScreen()) bits = screen->depth() > 0 ? screen->depth() : bits;
  SetPanelText(2, QString::asprintf("PixelFmt %dBit", bits));
  SetPanelText(4, QString::asprintf("Height:%d, Width:%d", raster.Height(), raster.Width()));
}

bool TMain_Frm::ClipboardHasBitmap() const {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && data->hasImage();
}

void TMain_Frm::SuspendMenuUpdates(bool suspended) {
  menuUpdatesSuspended_ = suspended;
  if (!suspended) UpdateMenuItems();
}

void TMain_Frm::UpdateMenuItems() {
  if (updatingMenus_ || menuUpdatesSuspended_) return;
  updatingMenus_ = true;
  const bool documents = !documents_.empty();
  if (simpleMode_ != !documents) {
    simpleMode_ = !documents;
    ApplyStatusMode();
  }
  ToolButton("SaveToolBtn")->setEnabled(documents);
  QToolButton* select = ToolButton("SelectToolBtn");
  select->setChecked(documents);
  select->setEnabled(documents);
  QToolButton* paste = ToolButton("PastewithNewToolBtn");
  paste->setEnabled(ClipboardHasBitmap());
  for (int i = 1; i <= 4; ++i)
    ToolButton(QString("Process%1ToolBtn").arg(i).toLatin1().constData())
        ->setEnabled(documents && HasAppCommand("process" + std::to_string(i)));
  TMDIChild* active = ActiveDocument();
  if (documents && active) {
    active->Item("Edit_PastewithNewItem")->setEnabled(paste->isEnabled());
    active->Item("Popup_PastewithNewItem")->setEnabled(paste->isEnabled());
    if (active->Picture().HasImage()) ShowImageInfo(active->Picture());
    select->setChecked(active->Selecting);
    active->Item("File_SaveItem")->setEnabled(active->Modified);
  }
  ToolButton("CutToolBtn")->setEnabled(select->isChecked());
  ToolButton("CopyToolBtn")->setEnabled(select->isChecked());
  // The frame's own Ctrl+V only while no document offers its own.
  hiddenPasteItem_->setEnabled(!active);
  RefreshMenuBar();
  SetTooltipColour(documents ? QColor(0xFF, 0xFF, 0x00) : QColor(0x00, 0xFF, 0xFF));
  updatingMenus_ = false;
}

void TMain_Frm::RunGuarded(const std::function<void()>& body) {
  try {
    body();
  } catch (const std::bad_alloc&) {
    cursor_->SetBusy(false);
    prompts_->ShowError("Out of memory.");
  } catch (const TessalinError& error) {
    cursor_->SetBusy(false);
    prompts_->ShowError(error.what());
  } catch (const std::exception&) {
    // Other exceptions speak the library's internal language.
    cursor_->SetBusy(false);
    prompts_->ShowError("The command could not be completed because of an internal error.");
  }
}

bool TMain_Frm::HasAppCommand(const std::string& name) { return FindAppCommand(name) != nullptr; }

bool TMain_Frm::RunAppCommand(const std::string& name, const RasterImage* source, int tag) {
  const AppCommand* command = FindAppCommand(name);
  if (!command) return false;
  RunGuarded([&] { (*command)(*this, source, tag); });
  UpdateMenuItems();
  return true;
}

void TMain_Frm::FileOpenItemClick() {
  RunGuarded([this] {
    const FileChoice choice =
        prompts_->AskOpenImage("Select Image to process....", openDir_, lastOpenName_, openFilterIndex_);
    if (choice.path.isEmpty()) return;
    const QFileInfo info(choice.path);
    lastOpenName_ = info.fileName();
    openDir_ = info.absolutePath();
    if (choice.filterIndex >= 1 && choice.filterIndex <= ImageFilterCount()) openFilterIndex_ = choice.filterIndex;
    FileContext context = MakeFileContext();
    RasterImage raster;
    {
      cursor_->SetBusy(true);
      struct Restore {
        FrameCursor& cursor;
        ~Restore() { cursor.SetBusy(false); }
      } restore{*cursor_};
      raster = LoadImageFile(choice.path.toStdString(), context);
    }
    if (raster.HasImage()) CreateImageChild(choice.path.toStdString(), raster);
  });
}

void TMain_Frm::FileWizardItemClick() { RunAppCommand("wizard", nullptr, 0); }

void TMain_Frm::FileCloseAllItemClick() {
  const std::vector<TMDIChild*> order(documents_);
  for (auto it = order.rbegin(); it != order.rend() && !CloseAllCancelled; ++it) {
    TMDIChild* child = *it;
    if (std::find(documents_.begin(), documents_.end(), child) == documents_.end()) continue;
    child->SetCloseQuery(TMDIChild::CloseQuery::CloseAll);
    QPointer<TMDIChild> guard(child);
    if (QMdiSubWindow* sub = child->SubWindow()) sub->close();
    if (guard) guard->SetCloseQuery(TMDIChild::CloseQuery::Normal);
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  NoToAll = false;
  CloseAllCancelled = false;
  UpdateMenuItems();
}

void TMain_Frm::FileExitItemClick() {
  FileCloseAllItemClick();
  if (documents_.empty()) close();
}

void TMain_Frm::closeEvent(QCloseEvent* event) {
  if (!documents_.empty()) {
    FileCloseAllItemClick();
    if (!documents_.empty()) {
      event->ignore();
      return;
    }
  }
  if (!prompts_->ConfirmExit("Really exit Tessalin?")) {
    event->ignore();
    return;
  }
  event->accept();
}

void TMain_Frm::FilePastewithNewItemClick() {
  QToolButton* paste = ToolButton("PastewithNewToolBtn");
  if (paste->isEnabled()) paste->click();
}

void TMain_Frm::PastewithNewToolBtnClick() {
  RunGuarded([this] {
    if (!ClipboardHasBitmap()) return;
    const RasterImage raster = QImageToRaster24(QGuiApplication::clipboard()->image());
    if (raster.HasImage()) CreateResultChild("Paste_New", raster);
  });
}

void TMain_Frm::CopyToolBtnClick() {
  if (TMDIChild* active = ActiveDocument()) RunGuarded([active] { active->Popup_CopyItemClick(); });
}

void TMain_Frm::CutToolBtnClick() {
  if (TMDIChild* active = ActiveDocument()) RunGuarded([active] { active->Popup_CutItemClick(); });
}

void TMain_Frm::SaveToolBtnClick() {
  if (TMDIChild* active = ActiveDocument()) RunGuarded([active] { active->File_SaveAsItemClick(); });
}

void TMain_Frm::SelectToolBtnClick() {
  QToolButton* select = ToolButton("SelectToolBtn");
  if (TMDIChild* active = ActiveDocument()) {
    if (active->Selecting) active->Popup_UnSelectItemClick();
    else active->Popup_SelectItemClick();
  }
  ToolButton("CutToolBtn")->setEnabled(select->isChecked());
  ToolButton("CopyToolBtn")->setEnabled(select->isChecked());
}

void TMain_Frm::ProcessToolBtnClick(int number) {
  QToolButton* button = ToolButton(QString("Process%1ToolBtn").arg(number).toLatin1().constData());
  if (!button || !button->isEnabled()) return;
  RunAppCommand("process" + std::to_string(number), ActiveDocumentPicture(), 0);
}

void TMain_Frm::HelpContentsItemClick() { RunAppCommand("help", nullptr, 0); }
void TMain_Frm::HelpAboutItemClick() { RunAppCommand("about", nullptr, 0); }
void TMain_Frm::HelpOrbentaHomePage1Click() { RunAppCommand("homepage", nullptr, 0); }

void TMain_Frm::Tile() { mdi_->tileSubWindows(); }

void TMain_Frm::TileAndFitChildren() {
  Tile();
  // Each window its own fit, whether or not the views are linked.
  const bool wasLinking = linkingViews_;
  linkingViews_ = true;
  for (TMDIChild* child : documents_) child->View()->FitToWindow();
  linkingViews_ = wasLinking;
}

void TMain_Frm::DocumentViewChanged(TMDIChild* source) {
  if (!linkViewsItem_->isChecked() || linkingViews_) return;
  linkingViews_ = true;
  const ZoomStep zoom = source->View()->Zoom();
  const QPointF centre = source->View()->CentrePoint();
  for (TMDIChild* child : documents_)
    if (child != source) child->View()->ShowAt(zoom, centre);
  linkingViews_ = false;
}

void TMain_Frm::Cascade() { mdi_->cascadeSubWindows(); }

void TMain_Frm::ArrangeIcons() {
  // Minimised windows in a row along the bottom of the client area.
  int x = 0;
  const int bottom = mdi_->viewport()->height();
  for (TMDIChild* child : documents_) {
    QMdiSubWindow* sub = child->SubWindow();
    if (!sub || !sub->isMinimized()) continue;
    sub->move(x, bottom - sub->height());
    x += sub->width();
  }
}

void TMain_Frm::MinimizeAll() {
  const std::vector<TMDIChild*> order(documents_);
  for (auto it = order.rbegin(); it != order.rend(); ++it)
    if (QMdiSubWindow* sub = (*it)->SubWindow()) sub->showMinimized();
}

void TMain_Frm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  const int width = this->width() / 6;
  for (QLabel* panel : panels_) panel->setFixedWidth(width);
}

bool TMain_Frm::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    // AppHint: the hint goes to the status bar's simple text.
    SetApplicationHint(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QMainWindow::event(event);
}

bool TMain_Frm::ShowHint(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->toolTip().isEmpty() || widget->window() != this) return false;
  if (!firstHintShown_) {
    firstHintShown_ = true;
    SetHintPause(10);
  }
  QPoint at = static_cast<QHelpEvent*>(event)->globalPos() + QPoint(0, 20);
  // The selection-size hint of the active image sits just below the image.
  if (TMDIChild* active = ActiveDocument(); active && widget == active->ImageControl())
    at = active->BandHintPosition();
  QToolTip::showText(at, widget->toolTip(), widget);
  return true;
}

bool TMain_Frm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == mdi_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    FileOpenItemClick();
    return true;
  }
  if (event->type() == QEvent::ToolTip) return ShowHint(watched, event);
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace tessalin
