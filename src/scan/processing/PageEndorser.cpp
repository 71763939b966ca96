#include "scan/processing/PageEndorser.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace pyxa {

namespace {

constexpr double kMarginInches = 0.25;

QFont PageFont(int fontPoints, int yDpi) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(std::max(6, fontPoints * yDpi / 72));
  return font;
}

QPoint TopLeftFor(const QSize& page, const QSize& text, PageCorner corner, int xDpi, int yDpi) {
  const int mx = int(kMarginInches * xDpi), my = int(kMarginInches * yDpi);
  const bool right = corner == PageCorner::TopRight || corner == PageCorner::BottomRight;
  const bool bottom = corner == PageCorner::BottomLeft || corner == PageCorner::BottomRight;
  const int x = right ? page.width() - mx - text.width() : mx;
  const int y = bottom ? page.height() - my - text.height() : my;
  return {std::max(0, x), std::max(0, y)};
}

// A bilevel page gets the text's shape thresholded into its bits, in whichever index its table has black.
void PrintOnBilevel(QImage& page, const QString& text, const QFont& font, const QPoint& at, const QSize& size) {
  QImage ink(size, QImage::Format_Grayscale8);
  ink.fill(255);
  {
    QPainter painter(&ink);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignLeft | Qt::AlignVCenter, text);
  }
  const uint black = page.colorCount() >= 2 && qGray(page.color(0)) < qGray(page.color(1)) ? 0 : 1;
  for (int y = 0; y < size.height() && at.y() + y < page.height(); ++y) {
    const uchar* line = ink.constScanLine(y);
    for (int x = 0; x < size.width() && at.x() + x < page.width(); ++x)
      if (line[x] < 128) page.setPixel(at.x() + x, at.y() + y, black);
  }
}

}  // namespace

QString EndorsementText(const AutoAnnotateSettings& settings, int pageNumber) {
  // 64 bits: a large start and step must not wrap round into a wrong count.
  const qint64 counter = qint64(settings.counterStart) + qint64(settings.counterStep) * (qint64(pageNumber) - 1);
  QString text = settings.text;
  return text.replace(QLatin1String("{counter}"), QString::number(counter));
}

QImage PrintOnPage(const QImage& page, const QString& text, PageCorner corner, int fontPoints, int xDpi, int yDpi) {
  if (page.isNull() || text.isEmpty()) return page;
  xDpi = xDpi > 0 ? xDpi : 200;
  yDpi = yDpi > 0 ? yDpi : 200;
  const QFont font = PageFont(fontPoints, yDpi);
  const QFontMetrics metrics(font);
  const QSize size(std::min(metrics.horizontalAdvance(text) + 2, page.width()),
                   std::min(metrics.height(), page.height()));
  const QPoint at = TopLeftFor(page.size(), size, corner, xDpi, yDpi);
  QImage printed;
  if (page.depth() == 1) {
    printed = page.convertToFormat(QImage::Format_Mono);
    PrintOnBilevel(printed, text, font, at, size);
    return printed;
  }
  if (page.format() == QImage::Format_Indexed8)
    printed = page.convertToFormat(page.allGray() ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
  else
    printed = page.copy();
  QPainter painter(&printed);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QRect(at, size), Qt::AlignLeft | Qt::AlignVCenter, text);
  return printed;
}

}  // namespace pyxa
