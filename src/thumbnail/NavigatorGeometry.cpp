#include "thumbnail/NavigatorGeometry.h"

#include <algorithm>
#include <cmath>

namespace pyxa {

QSize MiniatureSize(int width, const QSizeF& page) {
  if (width <= 0 || page.width() <= 0 || page.height() <= 0) return {};
  return {width, std::max(1, static_cast<int>(std::lround(width * page.height() / page.width())))};
}

QRect VisibleRectangle(const ViewExtent& view, const QSize& miniature) {
  if (view.Empty() || miniature.isEmpty()) return {};
  const double sx = miniature.width() / view.page.width();
  const double sy = miniature.height() / view.page.height();
  const int left = static_cast<int>(std::lround(view.scroll.x() * sx));
  const int top = static_cast<int>(std::lround(view.scroll.y() * sy));
  // A view larger than the page shows it whole: the rectangle is the whole miniature.
  const int width = std::min(miniature.width(), static_cast<int>(std::lround(view.visible.width() * sx)));
  const int height = std::min(miniature.height(), static_cast<int>(std::lround(view.visible.height() * sy)));
  return {left, top, std::max(1, width), std::max(1, height)};
}

QPoint ScrollForRectangle(const QPoint& topLeft, const QSizeF& page, const QSize& miniature) {
  if (miniature.isEmpty()) return {};
  return {static_cast<int>(std::lround(topLeft.x() * page.width() / miniature.width())),
          static_cast<int>(std::lround(topLeft.y() * page.height() / miniature.height()))};
}

QPoint DraggedRectangle(const QPoint& mouse, const QPoint& offset, const QSize& rectangle, const QSize& miniature) {
  const QPoint wanted = mouse - offset;
  return {std::clamp(wanted.x(), 0, std::max(0, miniature.width() - rectangle.width())),
          std::clamp(wanted.y(), 0, std::max(0, miniature.height() - rectangle.height()))};
}

QPoint ScrollCentredOn(const QPoint& point, const ViewExtent& view, const QSize& miniature) {
  if (view.Empty() || miniature.isEmpty()) return {};
  const double x = point.x() * view.page.width() / miniature.width() - view.visible.width() / 2;
  const double y = point.y() * view.page.height() / miniature.height() - view.visible.height() / 2;
  const double maxX = std::max(0.0, view.page.width() - view.visible.width());
  const double maxY = std::max(0.0, view.page.height() - view.visible.height());
  return {static_cast<int>(std::lround(std::clamp(x, 0.0, maxX))), static_cast<int>(std::lround(std::clamp(y, 0.0, maxY)))};
}

QPoint KeptOnScreen(const QRect& frame, const QRect& available) {
  const int x = std::max(available.left(), std::min(frame.left(), available.right() + 1 - frame.width()));
  const int y = std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - frame.height()));
  return {x, y};
}

}  // namespace pyxa
