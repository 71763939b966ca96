#include "ScannedPage.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <cmath>

namespace pyxa {
namespace {

constexpr double kMetresPerInch = 0.0254;

// Ordered dithering keeps shaded boxes grey-looking in 1 bit and leaves solid text solid.
constexpr int kBayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                              {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                              {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                              {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

BilevelPage Dither(const QImage& grey, int dpi, int yDpi) {
  BilevelPage page;
  page.width = grey.width();
  page.height = grey.height();
  page.dpi = dpi;
  page.yDpi = yDpi;
  page.bytesPerLine = (page.width + 7) / 8;
  page.bits = QByteArray(page.bytesPerLine * page.height, '\0');
  int threshold[8][8];
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) threshold[y][x] = kBayer[y][x] * 4 + 2;  // 2..254: white stays white
  }
  for (int y = 0; y < page.height; ++y) {
    const uchar* in = grey.constScanLine(y);
    auto* out = reinterpret_cast<uchar*>(page.bits.data()) + y * page.bytesPerLine;
    const int* row = threshold[y & 7];
    for (int x = 0; x < page.width; ++x) {
      if (in[x] < row[x & 7]) out[x >> 3] |= static_cast<uchar>(0x80 >> (x & 7));
    }
  }
  return page;
}

}  // namespace

BilevelPage ScanPage(const PageDrawing& draw, int dpi, const ScanLook& look, quint64 seed, int yDpi) {
  if (yDpi <= 0) yDpi = dpi;
  const int width = static_cast<int>(std::lround(8.5 * dpi));
  const int height = 11 * yDpi;
  QImage grey(width, height, QImage::Format_Grayscale8);
  grey.fill(255);
  // The painter works in points: fonts given in points come out the right size on paper.
  const int pointsPerMetre = static_cast<int>(std::lround(72 / kMetresPerInch));
  grey.setDotsPerMeterX(pointsPerMetre);
  grey.setDotsPerMeterY(pointsPerMetre);
  {
    QPainter painter(&grey);
    painter.translate(width / 2.0, height / 2.0);
    painter.rotate(look.skewDegrees);
    painter.translate(-width / 2.0, -height / 2.0);
    painter.scale(dpi / 72.0, yDpi / 72.0);
    painter.translate(look.offset);
    Sheet sheet(painter, seed);
    draw(sheet);

    // Dust on the glass sits where it sits, whatever the sheet's angle.
    painter.resetTransform();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    QRandomGenerator random(static_cast<quint32>(seed ^ (seed >> 32)));
    for (int i = 0; i < look.specks; ++i) {
      const double x = random.bounded(width);
      const double y = random.bounded(height);
      const double r = yDpi / 300.0 * (0.6 + random.bounded(1.4));
      painter.drawEllipse(QPointF(x, y), r, r * (0.6 + random.bounded(0.8)));
    }
  }
  return Dither(grey, dpi, yDpi);
}

}  // namespace pyxa
