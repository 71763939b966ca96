#include "thumbnail/ui/frmThumbnail.h"

#include "thumbnail/NavigatorGeometry.h"
#include "thumbnail/NavigatedView.h"

#include <QCursor>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QResizeEvent>
#include <algorithm>

namespace pyxa {

frmThumbnail::frmThumbnail(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setObjectName(QStringLiteral("frmThumbnail"));
  setWindowTitle(QStringLiteral("Navigator "));
  nail_ = new QLabel(this);
  nail_->setObjectName(QStringLiteral("ImageNail"));
  nail_->setAlignment(Qt::AlignCenter);
  nail_->setAutoFillBackground(true);
  nail_->setBackgroundRole(QPalette::Dark);
  nail_->installEventFilter(this);
  frame_ = new QFrame(nail_);
  frame_->setObjectName(QStringLiteral("Image1"));
  frame_->setFrameShape(QFrame::Box);
  frame_->setLineWidth(2);
  frame_->setStyleSheet(QStringLiteral("QFrame#Image1 { border: 2px solid #d01010; background: transparent; }"));
  frame_->setCursor(Qt::SizeAllCursor);
  frame_->installEventFilter(this);
  frame_->hide();
  setMinimumSize(80, 60);
  resize(200, 260);
}

void frmThumbnail::MD_TIFF_Ref(NavigatedView* view) {
  view_ = view;
  FollowPage();
}

void frmThumbnail::FollowScroll() {
  // While dragging the rectangle leads and the view follows, not the other way round.
  if (!dragging_) PlaceRectangle();
}

void frmThumbnail::FollowPage() {
  if (!isVisible()) return;  // drawn when it shows
  if (!view_ || view_->Extent().Empty()) {
    NoImage();
    return;
  }
  AdjustThumbnail();
}

void frmThumbnail::NoImage() {
  dragging_ = false;
  frame_->releaseMouse();
  frame_->hide();
  nail_->setPixmap(QPixmap());
  nail_->setText(QStringLiteral("No page shown"));
  nail_->setGeometry(rect());
}

void frmThumbnail::AdjustThumbnail() {
  const ViewExtent extent = view_ ? view_->Extent() : ViewExtent{};
  if (extent.Empty()) {
    NoImage();
    return;
  }
  const QSize miniature = MiniatureSize(width(), extent.page);
  nail_->setGeometry(QRect(QPoint(0, 0), miniature));
  frame_->show();
  PlaceRectangle();
  subNailRefresh();
}

void frmThumbnail::subNailRefresh() {
  if (!view_ || nail_->size().isEmpty()) return;
  const QImage miniature = view_->Miniature(nail_->size());
  if (miniature.isNull()) {
    NoImage();
    return;
  }
  nail_->setText(QString());
  nail_->setPixmap(QPixmap::fromImage(miniature));
  subNailWndFit();
}

void frmThumbnail::subNailWndFit() {
  if (frame_->isHidden() || !view_) return;
  frame_->resize(VisibleRectangle(view_->Extent(), nail_->size()).size());
}

void frmThumbnail::NewScale(int) { subNailRefresh(); }

void frmThumbnail::PlaceRectangle() {
  if (frame_->isHidden() || !view_) return;
  const ViewExtent extent = view_->Extent();
  if (extent.Empty()) return;
  frame_->setGeometry(VisibleRectangle(extent, nail_->size()));
}

void frmThumbnail::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (frame_->isHidden())
    nail_->setGeometry(rect());  // lays out the empty miniature only
  else
    AdjustThumbnail();
}

void frmThumbnail::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  FollowPage();  // the view may have moved on while the navigator was hidden
}

void frmThumbnail::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  frame_->releaseMouse();
  dragging_ = false;
  Q_EMIT Hidden();
}

void frmThumbnail::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (isVisible()) Q_EMIT Moved(frameGeometry().topLeft());
}

void frmThumbnail::ConfinePointer(const QPoint& global) {
  const QRect bounds(nail_->mapToGlobal(QPoint(0, 0)), nail_->size());
  const QPoint inside(std::clamp(global.x(), bounds.left(), bounds.right()),
                      std::clamp(global.y(), bounds.top(), bounds.bottom()));
  if (inside != global) QCursor::setPos(inside);
}

bool frmThumbnail::eventFilter(QObject* watched, QEvent* event) {
  const bool press = event->type() == QEvent::MouseButtonPress;
  const bool move = event->type() == QEvent::MouseMove;
  const bool release = event->type() == QEvent::MouseButtonRelease;
  if (!press && !move && !release) return QWidget::eventFilter(watched, event);
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (release) {
    // The pointer is always given back, whatever happened in between.
    frame_->releaseMouse();
    dragging_ = false;
    return true;
  }
  if (frame_->isHidden() || !view_ || view_->Extent().Empty()) return true;  // no page: nothing to move
  if (watched == frame_ && press && mouse->button() == Qt::LeftButton) {
    offset_ = mouse->position().toPoint();
    dragging_ = true;
    frame_->grabMouse();
    return true;
  }
  if (watched == frame_ && move && dragging_) {
    ConfinePointer(mouse->globalPosition().toPoint());
    const QPoint at = frame_->mapToParent(mouse->position().toPoint());
    const QPoint topLeft = DraggedRectangle(at, offset_, frame_->size(), nail_->size());
    frame_->move(topLeft);
    view_->ScrollTo(ScrollForRectangle(topLeft, view_->Extent().page, nail_->size()));
    return true;
  }
  if (watched == nail_ && press && mouse->button() == Qt::LeftButton) {
    view_->ScrollTo(ScrollCentredOn(mouse->position().toPoint(), view_->Extent(), nail_->size()));
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace pyxa
