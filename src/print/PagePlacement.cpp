#include "print/PagePlacement.h"

#include "print/PrintState.h"

#include <algorithm>
#include <cmath>

namespace pyxa {

namespace {

bool Known(double dpi) { return std::isfinite(dpi) && dpi > 0; }

// Device pixels per image pixel in one direction. An image that states one resolution only
// has square pixels; one that states none is printed pixel for pixel.
double PixelScale(double own, double other, int deviceDpi) {
  if (Known(own)) return deviceDpi / own;
  if (Known(other)) return deviceDpi / other;
  return 1.0;
}

int Round(double value) { return static_cast<int>(std::lround(value)); }

// The length along one direction when the image is cut to the area: how many image pixels fit,
// and what they cover.
void Cut(int imageLength, double scale, int areaLength, int* sourceLength, int* destinationLength) {
  const double full = imageLength * scale;
  if (full <= areaLength) {
    *sourceLength = imageLength;
    *destinationLength = std::max(1, Round(full));
  } else {
    // The allowance keeps a quotient that is whole on paper (2400 / (300 / 204)) from losing a pixel.
    *sourceLength = std::clamp(static_cast<int>(std::floor(areaLength / scale + 1e-9)), 1, imageLength);
    *destinationLength = std::max(1, Round(*sourceLength * scale));
  }
  *destinationLength = std::min(*destinationLength, areaLength);
}

// The size that fits the area keeping the proportions of width x height.
QSize Fit(double width, double height, const QSize& area) {
  const double factor = std::min(area.width() / width, area.height() / height);
  return {std::clamp(Round(width * factor), 1, area.width()), std::clamp(Round(height * factor), 1, area.height())};
}

}  // namespace

PagePlacement PlacePage(const PagePlacementInput& input) {
  PagePlacement placement;
  const QSize image = input.imagePixels;
  const QSize area = input.printablePixels;
  if (image.isEmpty() || area.isEmpty() || input.deviceDpi <= 0 || input.scalePercent <= 0) return placement;
  const double scaleX = PixelScale(input.imageDpiX, input.imageDpiY, input.deviceDpi);
  const double scaleY = PixelScale(input.imageDpiY, input.imageDpiX, input.deviceDpi);
  // The page's true size in device pixels.
  const double width = image.width() * scaleX;
  const double height = image.height() * scaleY;
  placement.source = QRect(QPoint(0, 0), image);

  switch (input.mode) {
    case kPrintRealSize:
    case kPrintScaled: {
      const double factor = input.mode == kPrintScaled ? input.scalePercent / 100.0 : 1.0;
      int sourceWidth = 0, sourceHeight = 0, destinationWidth = 0, destinationHeight = 0;
      Cut(image.width(), scaleX * factor, area.width(), &sourceWidth, &destinationWidth);
      Cut(image.height(), scaleY * factor, area.height(), &sourceHeight, &destinationHeight);
      placement.source = QRect(0, 0, sourceWidth, sourceHeight);
      placement.destination = QRect(0, 0, destinationWidth, destinationHeight);
      break;
    }
    case kPrintFitToPage:
      placement.destination = QRect(QPoint(0, 0), Fit(width, height, area));
      break;
    case kPrintAutoOrientation: {
      const bool landscapeImage = width > height;
      const bool landscapeArea = area.width() > area.height();
      placement.quarterTurn = width != height && area.width() != area.height() && landscapeImage != landscapeArea;
      const double lyingWidth = placement.quarterTurn ? height : width;
      const double lyingHeight = placement.quarterTurn ? width : height;
      if (lyingWidth > area.width() || lyingHeight > area.height())
        placement.destination = QRect(QPoint(0, 0), Fit(lyingWidth, lyingHeight, area));
      else
        placement.destination = QRect(0, 0, std::max(1, Round(lyingWidth)), std::max(1, Round(lyingHeight)));
      break;
    }
    default:
      return {};
  }
  return placement;
}

}  // namespace pyxa
