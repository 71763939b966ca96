// One page as a scanner delivered it: the image (Format_Mono for lineart, Grayscale8/16 for grey,
// RGB888/RGBX64 for colour) and the resolution it was scanned at.
#pragma once

#include <QImage>

namespace pyxa {

struct ScannedPage {
  QImage image;
  int xDpi = 0;  // dots per inch; 0 when the scanner did not say
  int yDpi = 0;
};

}  // namespace pyxa
