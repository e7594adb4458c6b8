#include "app/document_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>
#include <QToolTip>
#include <cmath>
#include <cstdlib>

#include "app/main_frame.h"
#include "core/colour_model.h"
#include "core/pixel_ops.h"
#include "formats/image_files.h"
#include "processing/dither.h"
#include "processing/rotate.h"
#include "processing/scale.h"
#include "widgets/picture_view.h"
#include "widgets/qt_raster.h"

namespace tessalin {

TMDIChild::TMDIChild(TMain_Frm& frame) : QWidget(nullptr), frame_(frame) {
  setObjectName("TMDIChild");
  setAttribute(Qt::WA_DeleteOnClose);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  view_ = new TPictureView(this);
  view_->setObjectName("Picture_View");
  view_->SetMargin(kChildMargin);
  image_ = view_->Surface();
  image_->setObjectName("Src_Img");
  connect(view_, &TPictureView::MousePressed, this, &TMDIChild::Src_ImgMouseDown);
  connect(view_, &TPictureView::MouseMoved, this, &TMDIChild::Src_ImgMouseMove);
  connect(view_, &TPictureView::MouseReleased, this, &TMDIChild::Src_ImgMouseUp);
  connect(view_, &TPictureView::ContextMenuRequested, this, [this](QPoint at) { popup_->exec(at); });
  connect(view_, &TPictureView::ViewChanged, this, [this] { frame_.DocumentViewChanged(this); });
  // FormCreate: an empty window, no file, not selecting, modified, empty band.
  resize(0, 0);
  BuildMenus();
  SetCutCopyItems(false);
  Item("Edit_UndoItem")->setEnabled(false);
}

TMDIChild::~TMDIChild() {
  for (QMenu* menu : menus_) delete menu;
  delete popup_;
}

QMdiSubWindow* TMDIChild::SubWindow() const { return qobject_cast<QMdiSubWindow*>(parentWidget()); }

QWidget* TMDIChild::ImageControl() const { return image_; }

QAction* TMDIChild::Item(const char* objectName) const {
  const auto it = items_.find(objectName);
  return it == items_.end() ? nullptr : it->second;
}

QSize TMDIChild::sizeHint() const { return clientSize_; }

void TMDIChild::SetPicture(const RasterImage& raster) {
  // Copied aside first: a copy that runs out of memory leaves the picture whole.
  RasterImage copy;
  copy.Assign(raster);
  picture_ = std::move(copy);
  RefreshImage();
  // At Actual Pixels, with the margin around the picture.
  clientSize_ = view_->DisplaySize() + QSize(kChildMargin, kChildMargin);
  resize(clientSize_);
  updateGeometry();
}

void TMDIChild::RefreshImage() { view_->SetImage(RasterToQImage(picture_)); }

void TMDIChild::RefreshBand() { view_->SetBand(SelStart, SelEnd); }

QPoint TMDIChild::BandHintPosition() const {
  // Just below the part of the picture that shows.
  const QRect shown = image_->visibleRegion().boundingRect();
  return image_->mapToGlobal(QPoint(shown.left(), (shown.isEmpty() ? image_->height() : shown.bottom() + 1) + 2));
}

void TMDIChild::resizeEvent(QResizeEvent* event) {
  // FormResize: the view centres the picture (at least at 0) and scrolls what does not fit.
  QWidget::resizeEvent(event);
  view_->setGeometry(rect());
}

Rect TMDIChild::SelectionRect(QPoint a, QPoint b) {
  return Rect{std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.x(), b.x()), std::max(a.y(), b.y())};
}

QString TMDIChild::SelectedText() const {
  return QString::asprintf("Selected[y:%d, x:%d]", std::abs(SelStart.y() - SelEnd.y()),
                           std::abs(SelStart.x() - SelEnd.x()));
}

void TMDIChild::BuildMenus() {
  auto add = [this](QMenu* menu, const char* name, const char* caption, const char* shortcut,
                    std::function<void()> handler) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(name);
    if (shortcut) action->setShortcut(QKeySequence(shortcut));
    if (handler) {
      connect(action, &QAction::triggered, this, [this, handler = std::move(handler)] {
        frame_.RunGuarded(handler);
      });
    } else {
      action->setEnabled(false);
    }
    items_[name] = action;
    return action;
  };
  auto frameCommand = [this](const char* command) {
    return TMain_Frm::HasAppCommand(command) ? std::function<void()>([this, command] {
      frame_.RunAppCommand(command, nullptr, 0);
    })
                                            : std::function<void()>();
  };
  auto dialogCommand = [this](const char* command, void (TMDIChild::*handler)(int), int tag) {
    return TMain_Frm::HasAppCommand(command) ? std::function<void()>([this, handler, tag] { (this->*handler)(tag); })
                                            : std::function<void()>();
  };
  auto tagged = [this](void (TMDIChild::*handler)(int), int tag) {
    return std::function<void()>([this, handler, tag] { (this->*handler)(tag); });
  };

  auto* file = new QMenu("&File");
  file->setObjectName("File_Menu");
  add(file, "File_OpenItem", "&Open", "Ctrl+O", [this] { frame_.FileOpenItemClick(); });
  add(file, "File_WizardItem", "&Wizard", "Ctrl+W", frameCommand("wizard"));
  file->addSeparator();
  add(file, "File_SaveItem", "&Save", "Ctrl+S", [this] { File_SaveItemClick(); });
  add(file, "File_SaveAsItem", "Save &As...", "Shift+Ctrl+S", [this] { File_SaveAsItemClick(); });
  file->addSeparator();
  add(file, "File_CloseItem", "&Close", "Ctrl+F4", [this] { File_CloseItemClick(); });
  add(file, "File_CloseAllItem", "Close &All", "Shift+Ctrl+F4", [this] { frame_.FileCloseAllItemClick(); });
  file->addSeparator();
  add(file, "File_ExitItem", "&Exit", "Alt+X", [this] { frame_.FileExitItemClick(); });

  auto* edit = new QMenu("&Edit");
  edit->setObjectName("Edit_Menu");
  add(edit, "Edit_UndoItem", "&Undo", "Ctrl+Z", [this] { Edit_UndoItemClick(); });
  edit->addSeparator();
  add(edit, "Edit_CutItem", "Cu&t", "Ctrl+X", [this] { Popup_CutItemClick(); });
  add(edit, "Edit_CopyItem", "&Copy", "Ctrl+C", [this] { Popup_CopyItemClick(); });
  add(edit, "Edit_PastewithNewItem", "&Paste into New", "Ctrl+V", [this] { Popup_PastewithNewItemClick(); });
  edit->addSeparator();
  add(edit, "Edit_SelectItem", "&Select", "Ctrl+R", [this] { Popup_SelectItemClick(); });
  add(edit, "Edit_SelectAllItem", "Select &All", "Ctrl+A", [this] { Popup_SelectAllItemClick(); });
  add(edit, "Edit_UnSelectItem", "U&nSelect", "Ctrl+D", [this] { Popup_UnSelectItemClick(); });

  auto* bit = new QMenu("Bit && &Color");
  bit->setObjectName("Bit_Menu");
  QMenu* formats = bit->addMenu("&Bit");
  struct Named {
    const char* name;
    const char* caption;
  };
  const Named pixelFormats[] = {{"BitModel_pfDevItem", "pf&Dev"},     {"BitModel_pf1BitItem", "pf&1Bit"},
                                {"BitModel_pf4BitItem", "pf&4Bit"},   {"BitModel_pf8BitItem", "pf&8Bit"},
                                {"BitModel_pf15bitItem", "pf1&5bit"}, {"BitModel_pf16BitItem", "pf1&6Bit"},
                                {"BitModel_pf24BitItem", "pf&24Bit"}, {"BitModel_pf32BitItem", "pf&32Bit"}};
  for (int tag = 0; tag < 8; ++tag)
    add(formats, pixelFormats[tag].name, pixelFormats[tag].caption, nullptr,
        tagged(&TMDIChild::BitModel_MenuClick, tag));
  bit->addSeparator();
  add(bit, "Model_GrayScaleItem", "&GrayScal", nullptr, tagged(&TMDIChild::Model_EtcMenuClick, 0));
  add(bit, "Model_MonoChromeItem", "&Monochrome", nullptr, tagged(&TMDIChild::Model_EtcMenuClick, 1));
  add(bit, "Model_InverseItem", "&Inverse", nullptr, tagged(&TMDIChild::Model_EtcMenuClick, 2));
  add(bit, "Model_RGB2HSIItem", "RGB &to HSI ", nullptr, tagged(&TMDIChild::Model_HSIMenuClick, 3));
  bit->addSeparator();
  add(bit, "Bit_HSIChannelItem", "&HSI Channel distribution", nullptr, [this] { Bit_HSIChannelItemClick(); });
  add(bit, "Bit_RGBChannelItem", "&RGB Channel distribution", nullptr, [this] { Bit_RGBChannelItemClick(); });
  // Never shown: its items serve the two distribution commands.
  QMenu* colour = bit->addMenu("&Color");
  colour->menuAction()->setVisible(false);
  QMenu* rgbModel = colour->addMenu("RGB Model");
  const Named rgbModels[] = {{"Model_RModelItem", "&R Model"},
                             {"Model_GModelItem", "&G Model"},
                             {"Model_BModelItem", "&B Model"},
                             {"Model_RGBModelItem", "RGB &Model"}};
  for (int tag = 0; tag < 4; ++tag)
    add(rgbModel, rgbModels[tag].name, rgbModels[tag].caption, nullptr,
        tagged(&TMDIChild::Model_RGBMenuClick, tag));
  QMenu* hsiModel = colour->addMenu("HSI Model");
  const Named hsiModels[] = {{"Model_HModelItem", "&H Model"},
                             {"Model_SModelItem", "&S Model"},
                             {"Model_IModelItem", "&I Model"},
                             {"Model_HSIModelItem", "HSI &Model"}};
  for (int tag = 0; tag < 4; ++tag)
    add(hsiModel, hsiModels[tag].name, hsiModels[tag].caption, nullptr,
        tagged(&TMDIChild::Model_HSIMenuClick, tag));
  bit->addSeparator();
  add(bit, "Model_ChennelSpecItem", "Channel && &Threshold", nullptr,
      TMain_Frm::HasAppCommand("channel") ? std::function<void()>([this] { Model_ChennelSpecItemClick(); })
                                          : std::function<void()>());

  auto* rotate = new QMenu("&Rotate && Scale");
  rotate->setObjectName("Rotate_Menu");
  add(rotate, "Rotate_90Item", "Rotate &90˚", nullptr, tagged(&TMDIChild::Rotate_MenuClick, 0));
  add(rotate, "Rotate_CustomItem", "Custom &Rotate", nullptr, dialogCommand("rotate", &TMDIChild::Rotate_MenuClick, 1));
  rotate->addSeparator();
  add(rotate, "Mirror_VerticalItem", "Mirror &Vertical", nullptr, tagged(&TMDIChild::Mirror_MenuClick, 0));
  add(rotate, "Mirror_HorizontalItem", "Mirror &Horizontal", nullptr, tagged(&TMDIChild::Mirror_MenuClick, 1));
  rotate->addSeparator();
  QMenu* reduce = rotate->addMenu("Scale &-");
  for (int tag : {100, 75, 50, 25})
    add(reduce, QString("Scale_%1Item").arg(tag).toLatin1().constData(), QString("&%1%").arg(tag).toUtf8().constData(),
        nullptr, tagged(&TMDIChild::Scale_MenuClick, tag));
  QMenu* magnify = rotate->addMenu("Scale &+");
  for (int tag : {125, 150, 175, 200, 300, 400, 500})
    add(magnify, QString("Scale_%1Item").arg(tag).toLatin1().constData(),
        QString("&%1%").arg(tag).toUtf8().constData(), nullptr, tagged(&TMDIChild::Scale_MenuClick, tag));
  add(rotate, "Scale_CustomItem", "Custom &Scale", nullptr, dialogCommand("scale", &TMDIChild::Scale_MenuClick, 0));

  auto* detect = new QMenu("&Detect && Dither");
  detect->setObjectName("Detect_Menu");
  QMenu* edge = detect->addMenu("&Edge");
  const char* edgeCaptions[] = {"&Difference", "&HomoGeneity"};
  for (int tag = 0; tag < 2; ++tag)
    add(edge, QString("Edge_%1Item").arg(tag).toLatin1().constData(), edgeCaptions[tag], nullptr,
        dialogCommand("edge", &TMDIChild::Edge_MenuClick, tag));
  QMenu* dither = detect->addMenu("&Dithering");
  const char* ditherCaptions[] = {"Clusterd Dot &1", "Clusterd Dot &2", "&Floyd and Steinberg",
                                  "&Jarvis and Judice and Ninke", "&Stucki", "&Custom"};
  for (int tag = 0; tag < 6; ++tag)
    add(dither, QString("Dither_%1Item").arg(tag).toLatin1().constData(), ditherCaptions[tag], nullptr,
        dialogCommand("dither", &TMDIChild::Dither_MenuClick, tag));
  dither->addSeparator();
  add(dither, "Dither_MoreItem", "&More Methods...", nullptr,
      dialogCommand("dither", &TMDIChild::Dither_MenuClick, kFirstFurtherDitherKind));
  QMenu* convolve = detect->addMenu("&Convolve");
  const char* convolveCaptions[] = {"&Blouring",   "Sharpning &1",  "Sharpning &2",   "Sharpning &3",
                                    "Sharpning &4", "&Embossing",   "Laplacian &1",   "Laplacian &2",
                                    "&Conv Edge",  "&Sobel Edge",   "&Roberts Edge",  "&Prewitt Edge"};
  for (int tag = 0; tag < 12; ++tag)
    add(convolve, QString("Convolve_%1Item").arg(tag).toLatin1().constData(), convolveCaptions[tag], nullptr,
        dialogCommand("convolve", &TMDIChild::Convolve_MenuClick, tag));

  windowMenu_ = new QMenu("&Window");
  windowMenu_->setObjectName("Window_Menu");
  const char* windowCaptions[] = {"&Cascade", "&Tile", "&Arrange Icons", "&Minimize All"};
  for (int tag = 0; tag < 4; ++tag)
    add(windowMenu_, QString("Window_%1Item").arg(tag).toLatin1().constData(), windowCaptions[tag], nullptr,
        tagged(&TMDIChild::Window_MenuClick, tag));
  // One item for all windows: the frame's.
  windowMenu_->addSeparator();
  windowMenu_->addAction(frame_.LinkViewsItem());
  items_["Window_LinkViewsItem"] = frame_.LinkViewsItem();
  QAction* listStart = windowMenu_->addSeparator();
  // The window list, rebuilt each time the menu opens.
  connect(windowMenu_, &QMenu::aboutToShow, this, [this, listStart] {
    const QList<QAction*> actions = windowMenu_->actions();
    for (qsizetype i = actions.indexOf(listStart) + 1; i < actions.size(); ++i) {
      windowMenu_->removeAction(actions[i]);
      delete actions[i];
    }
    int number = 1;
    for (TMDIChild* doc : frame_.Documents()) {
      QAction* entry = windowMenu_->addAction(QString("&%1 %2").arg(number++).arg(doc->Caption()));
      entry->setCheckable(true);
      entry->setChecked(doc == this);
      connect(entry, &QAction::triggered, doc, [doc] {
        if (QMdiSubWindow* sub = doc->SubWindow()) sub->mdiArea()->setActiveSubWindow(sub);
      });
    }
  });

  auto* help = new QMenu("&Help");
  help->setObjectName("Help_Menu");
  add(help, "Help_ContentsItem", "&Contents", "F1", frameCommand("help"));
  help->addSeparator();
  add(help, "Help_WhatsNewItem", "&What's New", nullptr, nullptr);
  add(help, "Help_GettingStartedItem", "&Getting Started", nullptr, nullptr);
  add(help, "Help_KeyWordSearchItem", "&KeyWord Search", nullptr, nullptr);
  help->addSeparator();
  add(help, "HelpVelkoraHomePageItem", "&Velkora HomePage", nullptr, frameCommand("homepage"));
  add(help, "Help_AboutItem", "&About", nullptr, frameCommand("about"));

  auto* view = new QMenu("&View");
  view->setObjectName("View_Menu");
  add(view, "View_ZoomInItem", "Zoom &In", "Ctrl+=", [this] { view_->ZoomIn(); })
      ->setShortcuts({QKeySequence("Ctrl+="), QKeySequence("Ctrl++")});
  add(view, "View_ZoomOutItem", "Zoom &Out", "Ctrl+-", [this] { view_->ZoomOut(); });
  add(view, "View_ActualPixelsItem", "&Actual Pixels", "Ctrl+0", [this] { view_->ActualPixels(); });
  add(view, "View_FitToWindowItem", "&Fit to Window", "Ctrl+9", [this] { view_->FitToWindow(); });
  menus_ = {file, edit, bit, rotate, detect, windowMenu_, help, view};

  popup_ = new QMenu;
  popup_->setObjectName("Child_PopupMenu");
  add(popup_, "Popup_SelectItem", "&Select", nullptr, [this] { Popup_SelectItemClick(); });
  add(popup_, "Popup_SelectAllItem", "Select &All", nullptr, [this] { Popup_SelectAllItemClick(); });
  add(popup_, "Popup_UnSelectItem", "&UnSelect", nullptr, [this] { Popup_UnSelectItemClick(); });
  popup_->addSeparator();
  add(popup_, "Popup_CutItem", "Cu&t", nullptr, [this] { Popup_CutItemClick(); });
  add(popup_, "Popup_CopyItem", "&Copy", nullptr, [this] { Popup_CopyItemClick(); });
  add(popup_, "Popup_PastewithNewItem", "&Paste into New", nullptr, [this] { Popup_PastewithNewItemClick(); });
  popup_->addSeparator();
  add(popup_, "Popup_InverseItem", "&Inverse", nullptr, [this] { Popup_InverseItemClick(); });
  add(popup_, "Popup_SaveAsItem", "Save &As....", nullptr, [this] { File_SaveAsItemClick(); });
  // Hidden quick-process items: shortcuts of this window only, in no menu.
  for (int n = 1; n <= 4; ++n) {
    auto* action = new QAction(QString("Process &%1").arg(n), this);
    action->setObjectName(QString("Popup_Process%1Item").arg(n));
    action->setShortcut(QKeySequence(QString("Shift+%1").arg(n)));
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    action->setData(n - 1);
    connect(action, &QAction::triggered, this, [this, n] { frame_.ProcessToolBtnClick(n); });
    addAction(action);
    items_[action->objectName().toStdString()] = action;
  }
}

void TMDIChild::SetCutCopyItems(bool enabled) {
  for (const char* name : {"Edit_CutItem", "Popup_CutItem", "Edit_CopyItem", "Popup_CopyItem"})
    Item(name)->setEnabled(enabled);
}

void TMDIChild::SetModified() {
  Modified = true;
  Item("File_SaveItem")->setEnabled(true);
}

void TMDIChild::EnableCutCopy() {
  QToolButton* select = frame_.ToolButton("SelectToolBtn");
  select->setChecked(true);
  frame_.ToolButton("CutToolBtn")->setEnabled(select->isChecked());
  frame_.ToolButton("CopyToolBtn")->setEnabled(select->isChecked());
  SetCutCopyItems(true);
}

void TMDIChild::Src_ImgMouseDown(Qt::MouseButton button, QPoint position) {
  if (button != Qt::LeftButton || !Selecting) return;
  Dragging = true;
  const QPoint p(std::clamp(position.x(), 0, picture_.Width()), std::clamp(position.y(), 0, picture_.Height()));
  SelStart = SelEnd = p;
  RefreshBand();
}

void TMDIChild::Src_ImgMouseMove(QPoint position) {
  image_->setCursor(Selecting ? Qt::CrossCursor : Qt::ArrowCursor);
  const int x = std::clamp(position.x(), 0, picture_.Width());
  const int y = std::clamp(position.y(), 0, picture_.Height());
  HasPicture = picture_.HasImage();
  if (HasPicture && Dragging) {
    SelEnd = QPoint(x, y);
    RefreshBand();
    const QString size = QString::asprintf("(%d, %d)", std::abs(SelStart.y() - SelEnd.y()),
                                           std::abs(SelStart.x() - SelEnd.x()));
    image_->setToolTip(size);
    // Just below the image, following the band.
    QToolTip::showText(BandHintPosition(), size, image_);
  }
  frame_.SetPanelText(5, SelectedText());
  if (HasPicture) ShowPixelInfo(y, x);
}

void TMDIChild::Src_ImgMouseUp() {
  image_->setToolTip(QString());
  QToolTip::hideText();
  Dragging = false;
}

void TMDIChild::enterEvent(QEnterEvent* event) {
  if (!Name.empty()) frame_.ShowRecipeName(QString::fromStdString(Name));
  QWidget::enterEvent(event);
}

void TMDIChild::leaveEvent(QEvent* event) {
  frame_.ShowRecipeName({});
  QWidget::leaveEvent(event);
}

void TMDIChild::mouseMoveEvent(QMouseEvent* event) {
  frame_.SetPanelText(5, SelectedText());
  image_->setCursor(Selecting ? Qt::CrossCursor : Qt::ArrowCursor);
  QWidget::mouseMoveEvent(event);
}

void TMDIChild::ShowPixelInfo(int y, int x) {
  if (!picture_.HasImage()) return;
  // The bounds are inclusive; the edge pixel answers for the edge itself.
  const Color colour = picture_.GetPixel(std::min(x, picture_.Width() - 1), std::min(y, picture_.Height() - 1));
  const uint8_t r = RedOf(colour), g = GreenOf(colour), b = BlueOf(colour);
  const HSIColor hsi = RGBToHSI(r, g, b);
  frame_.SetPanelText(0, QString::asprintf("[R:%d G:%d B:%d]", r, g, b));
  frame_.SetPanelText(1, QString::asprintf("[H:%3.0f S:%1.4f I:%3.0f]", hsi.H, hsi.S, hsi.I));
  frame_.SetPanelText(3, QString::asprintf("Pos[y:%d, x:%d]", y, x));
}

void TMDIChild::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Selecting = false;
    return;
  }
  QWidget::keyPressEvent(event);
}

void TMDIChild::Popup_SelectItemClick() {
  Selecting = true;
  EnableCutCopy();
}

void TMDIChild::Popup_SelectAllItemClick() {
  SelStart = QPoint(0, 0);
  SelEnd = QPoint(picture_.Width(), picture_.Height());
  RefreshBand();
  Selecting = true;
  EnableCutCopy();
}

void TMDIChild::ClearSelectionState() {
  SelStart = SelEnd;
  RefreshBand();
  Selecting = false;
  QToolButton* select = frame_.ToolButton("SelectToolBtn");
  select->setChecked(false);
  frame_.ToolButton("CutToolBtn")->setEnabled(select->isChecked());
  frame_.ToolButton("CopyToolBtn")->setEnabled(select->isChecked());
  SetCutCopyItems(false);
}

void TMDIChild::Popup_UnSelectItemClick() { ClearSelectionState(); }

void TMDIChild::Popup_CopyItemClick() {
  if (SelStart == SelEnd) return;
  const Rect rect = SelectionRect(SelStart, SelEnd);
  if (rect.Width() > 0 && rect.Height() > 0) {
    RasterImage part = NewRaster(PixelFormat::pf24Bit, rect.Height(), rect.Width());
    part.CopyRect(Rect{0, 0, rect.Width(), rect.Height()}, picture_, rect);
    QGuiApplication::clipboard()->setImage(RasterToQImage(part));
  }
  ClearSelectionState();
  frame_.ToolButton("PastewithNewToolBtn")->setEnabled(true);
  Item("Edit_PastewithNewItem")->setEnabled(true);
  Item("Popup_PastewithNewItem")->setEnabled(true);
}

void TMDIChild::Popup_CutItemClick() {
  // The undo copy comes first: without memory for it nothing is cut, and the
  // previous undo picture stays usable.
  RasterImage undo;
  undo.Assign(picture_);
  CutRect = SelectionRect(SelStart, SelEnd);
  Popup_CopyItemClick();
  UndoBitmap = std::move(undo);
  picture_.SetBrushColor(kWhite);
  picture_.FillRect(CutRect);
  RefreshImage();
  Item("Edit_UndoItem")->setEnabled(true);
  SetModified();
}

void TMDIChild::Edit_UndoItemClick() {
  if (!UndoBitmap) return;
  // Drawn into a copy, so that running out of memory half way changes nothing.
  RasterImage restored;
  restored.Assign(picture_);
  restored.Draw(0, 0, *UndoBitmap);
  picture_ = std::move(restored);
  RefreshImage();
  UndoBitmap.reset();
  Item("Edit_UndoItem")->setEnabled(false);
  SetModified();
}

void TMDIChild::Popup_PastewithNewItemClick() { frame_.PastewithNewToolBtnClick(); }

void TMDIChild::Popup_InverseItemClick() {
  picture_ = EtcModelImage(2, Copy24());
  RefreshImage();
  SetModified();
}

bool TMDIChild::SaveToFileName() {
  bool saved = false;
  frame_.RunGuarded([&] {
    FileContext context = frame_.MakeFileContext();
    saved = SaveImageFile(FileName, picture_, context);
    if (!saved) frame_.Questions().ShowMessage("Occure InValid Operation during saving " + Caption().toStdString());
  });
  if (saved) {
    Modified = false;
    Item("File_SaveItem")->setEnabled(false);
  }
  return saved;
}

bool TMDIChild::File_SaveItemClick() {
  if (FileName.empty()) return File_SaveAsItemClick();
  if (!Modified) return true;
  return SaveToFileName();
}

bool TMDIChild::File_SaveAsItemClick() {
  const FileChoice choice = frame_.RunSaveDialog(Caption());
  if (choice.path.isEmpty()) return false;
  QString path = choice.path;
  if (QFileInfo(path).suffix().isEmpty()) path += ExtensionForFilterIndex(choice.filterIndex);
  bool saved = false;
  frame_.RunGuarded([&] {
    FileContext context = frame_.MakeFileContext();
    saved = SaveImageFile(path.toStdString(), picture_, context);
    if (!saved) frame_.Questions().ShowMessage("Occure InValid Operation during saving");
  });
  if (!saved) return false;
  setWindowTitle(QFileInfo(path).fileName());
  FileName = path.toStdString();
  Modified = false;
  Item("File_SaveItem")->setEnabled(false);
  return true;
}

void TMDIChild::File_CloseItemClick() {
  closeQuery_ = CloseQuery::Normal;
  if (QMdiSubWindow* sub = SubWindow()) sub->close();
  else close();
}

bool TMDIChild::SaveAnswerYes() { return FileName.empty() ? File_SaveAsItemClick() : SaveToFileName(); }

bool TMDIChild::FormCloseQuery() {
  if (!FileName.empty() && !Modified) return true;
  const std::string question = FileName.empty() ? "Do you Save New Image to %s ?" : "Do you Save changes to %s ?";
  const std::string text = QString::fromStdString(question).replace("%s", Caption()).toStdString();
  switch (frame_.Questions().AskSaveBeforeClose(text, false)) {
    case CloseAnswer::Cancel: return false;
    // A save that did not complete keeps the window, so the picture is not lost.
    case CloseAnswer::Yes: return SaveAnswerYes();
    default: return true;
  }
}

bool TMDIChild::FormCloseAllQuery() {
  if (frame_.NoToAll) return true;
  if (!FileName.empty() && !Modified) return true;
  const std::string question = FileName.empty() ? "Do you Save New Image to %s ?" : "Do you Save changes to %s ?";
  const std::string text = QString::fromStdString(question).replace("%s", Caption()).toStdString();
  switch (frame_.Questions().AskSaveBeforeClose(text, true)) {
    case CloseAnswer::Cancel:
      frame_.CloseAllCancelled = true;
      closeQuery_ = CloseQuery::Normal;
      return false;
    case CloseAnswer::NoToAll:
      frame_.NoToAll = true;
      return true;
    case CloseAnswer::Yes:
      if (SaveAnswerYes()) return true;
      // Not saved: this window stays and Close All stops here.
      frame_.CloseAllCancelled = true;
      closeQuery_ = CloseQuery::Normal;
      return false;
    case CloseAnswer::No: return true;
  }
  return true;
}

void TMDIChild::closeEvent(QCloseEvent* event) {
  const bool allow = closeQuery_ == CloseQuery::CloseAll ? FormCloseAllQuery() : FormCloseQuery();
  if (!allow) {
    event->ignore();
    return;
  }
  event->accept();
  frame_.DocumentGone(this);
}

void TMDIChild::Window_MenuClick(int tag) {
  switch (tag) {
    case 0: frame_.Cascade(); break;
    case 1: frame_.Tile(); break;
    case 2: frame_.ArrangeIcons(); break;
    case 3: frame_.MinimizeAll(); break;
    default: break;
  }
}

void TMDIChild::CaptionDoubleClick() {
  QMdiSubWindow* sub = SubWindow();
  if (!sub) return;
  const int clientW = width(), clientH = height();
  if (clientH <= 0) {
    const QSize shown = view_->DisplaySize();
    const int newH = shown.height() + kChildMargin;
    const int newW = clientW < shown.width() ? shown.width() + kChildMargin : clientW;
    // Through the frame's margins: a rolled-up window may be shorter than its caption and borders.
    const QMargins frame = sub->contentsMargins();
    sub->resize(newW + frame.left() + frame.right(), newH + frame.top() + frame.bottom());
  } else {
    sub->setMinimumHeight(0);
    sub->resize(sub->width(), 27);
  }
}

bool TMDIChild::eventFilter(QObject* watched, QEvent* event) {
  if (watched == SubWindow() && event->type() == QEvent::MouseButtonDblClick) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    // A minimised window is all caption: a double-click restores it, as on any other.
    if (SubWindow()->isMinimized()) {
      if (mouse->button() == Qt::LeftButton) SubWindow()->showNormal();
      return true;
    }
    // Only the caption bar: the area above this widget.
    if (mouse->position().y() < geometry().top()) {
      CaptionDoubleClick();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

RasterImage TMDIChild::Copy24() const {
  RasterImage copy;
  copy.Assign(picture_);
  copy.SetPixelFormat(PixelFormat::pf24Bit);
  return copy;
}

void TMDIChild::OpenResult(const std::string& name, const RasterImage& result) { frame_.CreateResultChild(name, result); }

void TMDIChild::RunDialogCommand(const char* command, int tag) {
  if (!TMain_Frm::HasAppCommand(command)) return;
  const RasterImage copy = Copy24();
  frame_.RunAppCommand(command, &copy, tag);
}

void TMDIChild::BitModel_MenuClick(int tag) {
  frame_.Cursor().SetBusy(true);
  struct Restore {
    BusyCursor& cursor;
    ~Restore() { cursor.SetBusy(false); }
  } restore{frame_.Cursor()};
  RasterImage copy;
  copy.Assign(picture_);
  ConvertPixelFormat(tag, copy);
  const char* names[] = {"pfDev", "pf1Bit", "pf4Bit", "pf8Bit", "pf15bit", "pf16Bit", "pf24Bit", "pf32Bit"};
  OpenResult(std::string(names[std::clamp(tag, 0, 7)]) + " Model", copy);
}

void TMDIChild::Model_EtcMenuClick(int tag) {
  const char* names[] = {"GrayScal", "Monochrome", "Inverse"};
  OpenResult(std::string(names[std::clamp(tag, 0, 2)]) + " Model", EtcModelImage(tag, Copy24()));
}

void TMDIChild::Model_HSIMenuClick(int tag) {
  const char* names[] = {"H", "S", "I", "RGB to HSI "};
  OpenResult(std::string(names[std::clamp(tag, 0, 3)]) + " Model", HSIModelImage(tag, Copy24()));
}

void TMDIChild::Model_RGBMenuClick(int tag) {
  const char* names[] = {"R", "G", "B", "RGB"};
  OpenResult(std::string(names[std::clamp(tag, 0, 3)]) + " Model", RGBModelImage(tag, Copy24()));
}

void TMDIChild::Bit_HSIChannelItemClick() {
  for (int kind = 0; kind < 3; ++kind) Model_HSIMenuClick(kind);
}

void TMDIChild::Bit_RGBChannelItemClick() {
  for (int kind = 0; kind < 3; ++kind) Model_RGBMenuClick(kind);
}

void TMDIChild::Model_ChennelSpecItemClick() { RunDialogCommand("channel", 0); }

void TMDIChild::Rotate_MenuClick(int tag) {
  if (tag == 0) OpenResult("Rotate 90˚ Model", RotateImage90(Copy24()));
  else RunDialogCommand("rotate", tag);
}

void TMDIChild::Mirror_MenuClick(int tag) {
  OpenResult(tag == 0 ? "Mirror Vertical Model" : "Mirror Horizontal Model", MirrorImage(tag, Copy24()));
}

void TMDIChild::Scale_MenuClick(int tag) {
  if (tag == 0) {
    RunDialogCommand("scale", 0);
    return;
  }
  OpenResult("Scaling(" + std::to_string(tag) + "%)", ScaleByMenuTag(Copy24(), tag));
}

void TMDIChild::Edge_MenuClick(int tag) {
  frame_.State().EdgeKind = tag;
  frame_.State().SharedBias = 0;
  RunDialogCommand("edge", tag);
}

void TMDIChild::Dither_MenuClick(int tag) {
  frame_.State().DitherKind = tag;
  frame_.State().SharedBias = 128;
  RunDialogCommand("dither", tag);
}

void TMDIChild::Convolve_MenuClick(int tag) {
  frame_.State().ConvolveKind = tag;
  frame_.State().SharedBias = 0;
  RunDialogCommand("convolve", tag);
}

}  // namespace tessalin
