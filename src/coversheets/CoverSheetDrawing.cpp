#include "coversheets/CoverSheetDrawing.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <QFont>
#include <QPainter>

namespace pyxa {

namespace {

constexpr double kCodeInches = 1.75;

// The marker at the sheet's foot, a Code 128 of wide bars that a reduced look still reads.
void DrawMarker(QPainter& painter, const QRect& room) {
  const ZXing::BitMatrix bars =
      ZXing::MultiFormatWriter(ZXing::BarcodeFormat::Code128).setMargin(0).encode(kSheetMarker.toStdWString(), 0, 1);
  if (bars.width() <= 0) return;
  const double module = static_cast<double>(room.width()) / bars.width();
  for (int x = 0; x < bars.width(); ++x)
    if (bars.get(x, 0)) painter.fillRect(QRectF(room.left() + x * module, room.top(), module, room.height()), Qt::black);
}

void DrawCode(QPainter& painter, const QString& text, const QRect& square) {
  // The highest error correction: a quarter of the code may be lost to a fax line or a fold.
  const ZXing::BitMatrix matrix =
      ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode).setEccLevel(8).setMargin(0).encode(text.toStdWString(), 0, 0);
  if (matrix.width() <= 0) return;
  const double module = static_cast<double>(square.width()) / matrix.width();
  for (int y = 0; y < matrix.height(); ++y)
    for (int x = 0; x < matrix.width(); ++x)
      if (matrix.get(x, y))
        painter.fillRect(QRectF(square.left() + x * module, square.top() + y * module, module, module), Qt::black);
}

}  // namespace

QImage DrawCoverSheet(const CoverRecord& record, const CoverSheetText& text, int dpi) {
  QImage page(static_cast<int>(8.5 * dpi), 11 * dpi, QImage::Format_Grayscale8);
  page.fill(255);
  page.setDotsPerMeterX(qRound(dpi / 0.0254));
  page.setDotsPerMeterY(qRound(dpi / 0.0254));
  QPainter painter(&page);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const auto font = [&](double points, bool bold) {
    QFont face(QStringLiteral("DejaVu Sans"));
    face.setPixelSize(qRound(points * dpi / 72.0));
    face.setBold(bold);
    return face;
  };
  const int margin = dpi;  // one inch all round
  const int width = page.width() - 2 * margin;
  const bool cover = record.kind == CoverRecord::Kind::Cover;
  painter.setPen(Qt::black);
  painter.setFont(font(28, true));
  painter.drawText(QRect(margin, margin, width, dpi / 2), Qt::AlignCenter,
                   cover ? QStringLiteral("COVER SHEET") : QStringLiteral("SEPARATOR SHEET"));
  const int side = qRound(kCodeInches * dpi);
  const QRect square((page.width() - side) / 2, margin + dpi * 3 / 4, side, side);
  DrawCode(painter, EncodeCoverRecord(record), square);
  // The marker lies across the page's middle, where a reader's quick look at a page goes.
  DrawMarker(painter, QRect((page.width() - 5 * dpi) / 2, dpi * 21 / 4, 5 * dpi, dpi * 2 / 5));
  int y = square.bottom() + dpi / 4;
  const auto line = [&](const QString& label, const QString& value, double points, bool bold) {
    if (value.isEmpty()) return;
    painter.setFont(font(points, bold));
    const int height = qRound(points * 1.6 * dpi / 72.0);
    painter.drawText(QRect(margin, y, width, height), Qt::AlignHCenter | Qt::AlignVCenter,
                     label.isEmpty() ? value : label + QStringLiteral(": ") + value);
    y += height;
  };
  if (cover) {
    line({}, text.patientName, 26, true);
    line(QStringLiteral("Date of birth"), text.dateOfBirth, 18, false);
    line(QStringLiteral("Chart"), text.chartNumber, 18, false);
    y = dpi * 6;  // below the marker
    line(QStringLiteral("Category"), text.category, 14, false);
    line(QStringLiteral("Type"), text.type, 14, false);
    line(QStringLiteral("Provider"), text.provider, 14, false);
  } else {
    line({}, QStringLiteral("The pages after this sheet start a new document."), 14, false);
  }
  painter.setFont(font(10, false));
  painter.drawText(QRect(margin, page.height() - margin, width, dpi / 3), Qt::AlignCenter,
                   QStringLiteral("Scan this sheet in front of the pages it names. It is not filed with them."));
  painter.end();
  return page;
}

}  // namespace pyxa
