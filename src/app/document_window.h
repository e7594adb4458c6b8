// TMDIChild: one document window per raster inside the frame. Shows the
// picture centred with a 10-pixel margin at Actual Pixels, zooms and scrolls
// it (View menu), selects with a rubber band, copies, cuts (one-level undo)
// and pastes through the clipboard, inverts in place, saves, asks before
// closing, and starts every processing command. Only Cut, Undo and the pop-up
// Inverse change the document's own raster.
#pragma once

#include <QPoint>
#include <QWidget>
#include <map>
#include <optional>
#include <string>

#include "core/raster_image.h"

class QAction;
class QMenu;
class QMdiSubWindow;

namespace tessalin {

class TMain_Frm;
class TPictureView;

inline constexpr int kChildMargin = 10;

class TMDIChild : public QWidget {
  Q_OBJECT

 public:
  explicit TMDIChild(TMain_Frm& frame);
  ~TMDIChild() override;

  // The window's picture becomes a copy of `raster`; the client area becomes
  // its size plus the margin.
  void SetPicture(const RasterImage& raster);
  const RasterImage& Picture() const { return picture_; }

  QString Caption() const { return windowTitle(); }
  QMdiSubWindow* SubWindow() const;
  // The menus this window shows in the frame's menu bar while it is active.
  const std::vector<QMenu*>& Menus() const { return menus_; }
  QMenu* PopupMenu() const { return popup_; }
  QAction* Item(const char* objectName) const;
  // Src_Img: the picture as it shows; its mouse positions are picture coordinates.
  QWidget* ImageControl() const;
  TPictureView* View() const { return view_; }
  // Where the selection-size hint goes: just below the visible picture.
  QPoint BandHintPosition() const;

  std::string FileName;
  std::string Name;  // the name given by the command that made the window (its hint, not its caption)
  bool Modified = true;
  bool Selecting = false;
  bool Dragging = false;
  bool HasPicture = false;
  QPoint SelStart, SelEnd;
  Rect CutRect;
  std::optional<RasterImage> UndoBitmap;

  enum class CloseQuery { Normal, CloseAll };
  void SetCloseQuery(CloseQuery query) { closeQuery_ = query; }

  static Rect SelectionRect(QPoint a, QPoint b);

  // Rubber band and pixel readout, in image coordinates (also driven by tests).
  void Src_ImgMouseDown(Qt::MouseButton button, QPoint position);
  void Src_ImgMouseMove(QPoint position);
  void Src_ImgMouseUp();
  void ShowPixelInfo(int y, int x);
  void EnableCutCopy();

 public slots:
  void Popup_SelectItemClick();
  void Popup_SelectAllItemClick();
  void Popup_UnSelectItemClick();
  void Popup_CopyItemClick();
  void Popup_CutItemClick();
  void Edit_UndoItemClick();
  void Popup_PastewithNewItemClick();
  void Popup_InverseItemClick();
  // True when the picture was saved (or needed no saving).
  bool File_SaveItemClick();
  bool File_SaveAsItemClick();
  void File_CloseItemClick();
  void Window_MenuClick(int tag);
  void CaptionDoubleClick();

  // The processing commands of the menus, by the item's tag.
  void BitModel_MenuClick(int tag);
  void Model_EtcMenuClick(int tag);
  void Model_HSIMenuClick(int tag);
  void Model_RGBMenuClick(int tag);
  void Bit_HSIChannelItemClick();
  void Bit_RGBChannelItemClick();
  void Model_ChennelSpecItemClick();
  void Rotate_MenuClick(int tag);
  void Mirror_MenuClick(int tag);
  void Scale_MenuClick(int tag);
  void Edge_MenuClick(int tag);
  void Dither_MenuClick(int tag);
  void Convolve_MenuClick(int tag);

 protected:
  void resizeEvent(QResizeEvent* event) override;  // FormResize
  void keyPressEvent(QKeyEvent* event) override;   // FormKeyDown
  void mouseMoveEvent(QMouseEvent* event) override;  // FormMouseMove
  void enterEvent(QEnterEvent* event) override;      // the recipe name into the status bar
  void leaveEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  QSize sizeHint() const override;

 private:
  bool FormCloseQuery();
  bool FormCloseAllQuery();
  bool SaveToFileName();
  bool SaveAnswerYes();
  void BuildMenus();
  void RefreshImage();
  void RefreshBand();
  void ClearSelectionState();
  void SetModified();
  void SetCutCopyItems(bool enabled);
  RasterImage Copy24() const;
  void OpenResult(const std::string& name, const RasterImage& result);
  void RunDialogCommand(const char* command, int tag);
  QString SelectedText() const;

  TMain_Frm& frame_;
  RasterImage picture_;
  TPictureView* view_;
  QWidget* image_;
  QSize clientSize_{0, 0};
  CloseQuery closeQuery_ = CloseQuery::Normal;
  std::vector<QMenu*> menus_;
  QMenu* popup_ = nullptr;
  QMenu* windowMenu_ = nullptr;
  std::map<std::string, QAction*> items_;
};

}  // namespace tessalin
