// What the navigator needs of the page view it follows: where the view is on the page, a move
// to another place, and the shown page in miniature. The page view implements it.
#pragma once

#include "thumbnail/NavigatorGeometry.h"

#include <QImage>
#include <QPoint>
#include <QSize>

namespace pyxa {

class NavigatedView {
 public:
  virtual ~NavigatedView() = default;
  // In page pixels; empty when no page is shown.
  virtual ViewExtent Extent() const = 0;
  virtual void ScrollTo(const QPoint& pagePoint) = 0;
  // The shown page at the size, made from what is already decoded.
  virtual QImage Miniature(const QSize& size) = 0;
};

}  // namespace pyxa
