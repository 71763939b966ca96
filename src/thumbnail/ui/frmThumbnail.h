// The navigator ("Navigator "): a small tool window with the shown page in miniature and a
// rectangle over the part the page view shows. Dragging the rectangle scrolls the view; a click
// elsewhere in the miniature centres the view there.
#pragma once

#include <QPoint>
#include <QWidget>

class QFrame;
class QLabel;

namespace pyxa {

class NavigatedView;

class frmThumbnail : public QWidget {
  Q_OBJECT

 public:
  explicit frmThumbnail(QWidget* parent = nullptr);

  // The view the navigator follows and moves; its owner tells the navigator of changes through
  // FollowPage and FollowScroll.
  void MD_TIFF_Ref(NavigatedView* view);
  // The view shows another page, zoom, fit or turn.
  void FollowPage();
  // The view scrolled or changed size.
  void FollowScroll();
  // Draws the miniature again, then sizes the rectangle.
  void subNailRefresh();
  // Sizes the rectangle to the part of the page the view shows; nothing while it is hidden.
  void subNailWndFit();
  // The view's scale changed: the miniature is drawn again.
  void NewScale(int percent);
  // Lays the miniature out across the window and places the rectangle, then redraws.
  void AdjustThumbnail();
  // No page is shown: an empty miniature and no rectangle.
  void NoImage();

  bool Dragging() const { return dragging_; }

 Q_SIGNALS:
  // The window was closed or hidden, or moved to the top left of its frame.
  void Hidden();
  void Moved(const QPoint& frameTopLeft);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PlaceRectangle();
  // Keeps the pointer over the miniature while the rectangle is dragged.
  void ConfinePointer(const QPoint& global);

  NavigatedView* view_ = nullptr;
  QLabel* nail_ = nullptr;   // the miniature
  QFrame* frame_ = nullptr;  // the rectangle
  bool dragging_ = false;
  QPoint offset_;  // where the mouse took hold of the rectangle
};

}  // namespace pyxa
