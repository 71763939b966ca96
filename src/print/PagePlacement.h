// Where one page image lands on the printable area of the paper, in the printer's pixels: its
// size from the image's own resolution and the print mode, what part of it fits, and whether it
// is turned to match the paper's orientation.
#pragma once

#include <QRect>
#include <QSize>

namespace pyxa {

struct PagePlacementInput {
  QSize imagePixels;
  double imageDpiX = 0;  // 0 (or nonsense) when the file does not say
  double imageDpiY = 0;
  QSize printablePixels;  // the printable area in device pixels
  int deviceDpi = 300;
  int mode = 2;  // PrintMode of PrintState.h
  int scalePercent = 100;
};

struct PagePlacement {
  // In device pixels, from the printable area's top-left corner; empty when nothing is drawn.
  QRect destination;
  // The part of the image drawn, in the image's own pixels (before any turn).
  QRect source;
  // The image is turned a quarter turn clockwise: its width runs down the destination.
  bool quarterTurn = false;
};

PagePlacement PlacePage(const PagePlacementInput& input);

}  // namespace pyxa
