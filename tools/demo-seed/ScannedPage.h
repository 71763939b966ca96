// Renders one sheet the way an office scanner or fax machine delivers it: drawn in greys at the
// scan resolution, a little crooked and dusty, then reduced to black and white.
#pragma once

#include <QPointF>
#include <functional>

#include "BilevelTiff.h"
#include "Sheet.h"

namespace pyxa {

using PageDrawing = std::function<void(Sheet&)>;

struct ScanLook {
  qreal skewDegrees = 0;  // the sheet sat crooked on the glass or in the feeder
  QPointF offset;         // in points
  int specks = 0;         // dust and toner dots
};

// A US letter page at dpi (1700 x 2200 at 200 dpi, 2550 x 3300 at 300 dpi), or at dpi across and
// yDpi down (a fax's 204 x 196). seed drives the dust and the signatures, so the same arguments give
// the same page.
BilevelPage ScanPage(const PageDrawing& draw, int dpi, const ScanLook& look, quint64 seed, int yDpi = 0);

}  // namespace pyxa
