// The navigator's arithmetic without its window: the miniature's size for the page, the
// rectangle of the part the page view shows, and the scroll position a moved rectangle or a
// click in the miniature asks of the view. The view's values are in page pixels (the page at
// 100 %); the miniature's in its own pixels.
#pragma once

#include <QPointF>
#include <QRect>
#include <QSize>
#include <QSizeF>

namespace pyxa {

struct ViewExtent {
  QSizeF page;     // the whole page
  QPointF scroll;  // the page point at the view's top left
  QSizeF visible;  // the part of the page the view shows
  bool Empty() const { return page.width() <= 0 || page.height() <= 0; }
};

// As wide as the window; as high as the page's proportions make it. Empty for no page.
QSize MiniatureSize(int width, const QSizeF& page);

// The visible part, scaled into the miniature.
QRect VisibleRectangle(const ViewExtent& view, const QSize& miniature);

// The scroll position that puts the rectangle's top left at the point of the miniature.
QPoint ScrollForRectangle(const QPoint& topLeft, const QSizeF& page, const QSize& miniature);

// The rectangle's top left for a drag that started with the mouse at offset inside it, kept
// inside the miniature.
QPoint DraggedRectangle(const QPoint& mouse, const QPoint& offset, const QSize& rectangle, const QSize& miniature);

// The scroll position that centres the view on a point of the miniature.
QPoint ScrollCentredOn(const QPoint& point, const ViewExtent& view, const QSize& miniature);

// Where a window's frame goes so that it lies on the screen's available area (its top left
// first when it is larger than the area).
QPoint KeptOnScreen(const QRect& frame, const QRect& available);

}  // namespace pyxa
