#include "patients/ResultsPlacement.h"

#include <algorithm>

namespace pyxa {

QRect PlaceBeside(const QRect& keep, const QSize& preferred, int minimumWidth, const QRect& screen) {
  const int roomLeft = std::max(0, keep.left() - screen.left());
  const int roomRight = std::max(0, screen.right() - keep.right());
  const bool right = roomRight >= roomLeft;
  const int room = right ? roomRight : roomLeft;
  const int width = std::min(screen.width(), std::max(std::min(preferred.width(), room), minimumWidth));
  const int height = std::min(preferred.height(), screen.height());
  int x = right ? keep.right() + 1 : keep.left() - width;
  x = std::clamp(x, screen.left(), screen.right() + 1 - width);
  const int y = std::clamp(keep.top(), screen.top(), screen.bottom() + 1 - height);
  return {x, y, width, height};
}

}  // namespace pyxa
